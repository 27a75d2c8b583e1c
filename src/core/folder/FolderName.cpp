#include "folder/FolderName.h"

#include <climits>

#include "platform/Path.h"

namespace zv {

namespace {

constexpr std::size_t kNameMax = NAME_MAX;
constexpr std::size_t kPathMax = PATH_MAX;

bool IsForbidden(char c) {
  // A NUL byte would silently cut the name short at mkdir, so it is refused too.
  return c == '\0' || std::string_view(kInvalidFolderNameChars).find(c) != std::string_view::npos;
}

}  // namespace

std::string NewFolderPath(const std::string& parent, const std::string& name) {
  if (parent.empty()) return name;
  std::size_t end = parent.size();
  while (end > 1 && parent[end - 1] == kPathSep) --end;
  std::string path = parent.substr(0, end);
  if (path.back() != kPathSep) path += kPathSep;
  return path + name;
}

FolderNameCheck CheckNewFolderName(const std::string& parent, const std::string& name, CodePage cp) {
  if (name.empty()) return FolderNameCheck::Empty;
  for (std::size_t pos = 0; pos < name.size();) {
    std::size_t len = CharLen(name, pos, cp);
    // A double-byte character never matches, whatever its trail byte.
    if (len == 1 && IsForbidden(name[pos])) return FolderNameCheck::InvalidChar;
    pos += len;
  }
  const std::string path = NewFolderPath(parent, name);
  if (name.size() > kNameMax || path.size() > kPathMax - 1) return FolderNameCheck::TooLong;
  // "." and ".." name existing directories and are refused here.
  if (PathIsDirectory(path)) return FolderNameCheck::Exists;
  return FolderNameCheck::Ok;
}

}  // namespace zv
