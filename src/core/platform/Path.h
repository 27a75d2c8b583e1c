#pragma once
// Path splitting and joining with the drive/dir/name/ext rules the program
// relies on, on POSIX paths ('/' separator, drive always empty).

#include <string>
#include <string_view>

namespace zv {

inline constexpr char kPathSep = '/';

struct PathParts {
  std::string drive;  // always empty here
  std::string dir;    // up to and including the last separator
  std::string fname;  // up to the last dot of the last component
  std::string ext;    // from the last dot, dot included, or empty
};

PathParts SplitPath(std::string_view path);
std::string MakePath(std::string_view drive, std::string_view dir, std::string_view fname,
                     std::string_view ext);

// Append one separator unless the last character already is one; an empty
// path stays empty rather than becoming the root.
std::string AddBackslash(std::string_view path);
// Remove one trailing separator; the root "/" stays as it is.
std::string RemoveBackslash(std::string_view path);
bool IsRootPath(std::string_view path);

// Offset of the extension (last dot of the last component) or path.size().
std::size_t FindExtension(std::string_view path);
// Offset of the last component; a trailing separator belongs to it ("a/b/" -> "b/").
std::size_t FindFileName(std::string_view path);
inline std::string_view PathExtension(std::string_view path) { return path.substr(FindExtension(path)); }
inline std::string_view PathFileName(std::string_view path) { return path.substr(FindFileName(path)); }

// A path typed or shown as text (UTF-8) as the file system's bytes. A
// component that names nothing in UTF-8 but an existing entry in CP932 takes
// the CP932 bytes, so a legacy name shown decoded leads back to itself; new
// names stay UTF-8. A relative path is taken below base (bytes) when one is given.
std::string PathFromText(std::string_view utf8, const std::string& base = {});

// Something exists at path (a dangling link counts).
bool PathFileExists(const std::string& path);
// A directory (following links) exists at path.
bool PathIsDirectory(const std::string& path);

}  // namespace zv
