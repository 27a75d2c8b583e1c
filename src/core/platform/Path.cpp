#include "platform/Path.h"

#include <sys/stat.h>

#include "platform/CodePage.h"

// '/' and '.' are below every trail byte of CP932 and are never part of a
// UTF-8 sequence, so plain byte searches are multibyte-safe here.

namespace zv {

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  const std::size_t slash = path.rfind(kPathSep);
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  parts.dir = std::string(path.substr(0, nameStart));
  const std::string_view rest = path.substr(nameStart);
  const std::size_t dot = rest.rfind('.');
  if (dot == std::string_view::npos) {
    parts.fname = std::string(rest);
  } else {
    parts.fname = std::string(rest.substr(0, dot));
    parts.ext = std::string(rest.substr(dot));
  }
  return parts;
}

std::string MakePath(std::string_view drive, std::string_view dir, std::string_view fname,
                     std::string_view ext) {
  std::string r;
  r.reserve(drive.size() + dir.size() + fname.size() + ext.size() + 2);
  r.append(drive);
  r.append(dir);
  if (!dir.empty() && dir.back() != kPathSep) r += kPathSep;
  r.append(fname);
  if (!ext.empty() && ext.front() != '.') r += '.';
  r.append(ext);
  return r;
}

std::string AddBackslash(std::string_view path) {
  // An empty folder stays empty rather than turning into the root.
  std::string r(path);
  if (!r.empty() && r.back() != kPathSep) r += kPathSep;
  return r;
}

std::string RemoveBackslash(std::string_view path) {
  std::string r(path);
  if (r.size() > 1 && r.back() == kPathSep) r.pop_back();
  return r;
}

bool IsRootPath(std::string_view path) {
  return !path.empty() && path.find_first_not_of(kPathSep) == std::string_view::npos;
}

std::size_t FindExtension(std::string_view path) {
  const std::size_t slash = path.rfind(kPathSep);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return path.size();
  return dot;
}

std::size_t FindFileName(std::string_view path) {
  // A trailing separator belongs to the last component ("a/b/" -> "b/").
  std::size_t end = path.size();
  if (end > 0 && path[end - 1] == kPathSep) --end;
  if (end == 0) return 0;
  const std::size_t slash = path.rfind(kPathSep, end - 1);
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::string PathFromText(std::string_view utf8, const std::string& base) {
  std::string out = utf8.empty() || utf8.front() == kPathSep ? std::string() : AddBackslash(base);
  out.reserve(out.size() + utf8.size());
  bool lookUp = true;  // below a component that exists nowhere, nothing can
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = utf8.find(kPathSep, begin);
    const std::string_view part = utf8.substr(begin, slash == std::string_view::npos ? slash : slash - begin);
    if (lookUp && !part.empty() && part != "." && part != "..") {
      const std::string asTyped = out + std::string(part);
      if (!PathFileExists(asTyped)) {
        const auto legacy = ConvertCodePage(part, CodePage::Utf8, CodePage::Cp932);
        if (legacy && *legacy != part && PathFileExists(out + *legacy)) {
          out += *legacy;
        } else {
          out += part;
          lookUp = false;
        }
      } else {
        out += part;
      }
    } else {
      out += part;
    }
    if (slash == std::string_view::npos) break;
    out += kPathSep;
    begin = slash + 1;
  }
  return out;
}

bool PathFileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool PathIsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace zv
