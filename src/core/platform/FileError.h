#pragma once
// The file error message: "path: cause" for the four causes that show a box,
// nothing for file-not-found and the rest.

#include <optional>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace zv {

enum class FileCause { None, BadPath, AccessDenied, HardwareError, DiskFull };

// Cause of a failure. A failed write, flush or rename counts as a full disk
// unless errno says access was denied; a failed read counts as a general
// failure (no box). ENOENT is a bad path only when the folder is missing.
FileCause CauseOf(const FileResult& r);
const char* CauseText(FileCause cause);  // nullptr for FileCause::None
// The whole message in the active code page (the path's bytes as they are,
// the texts converted), or nullopt when no box is shown.
std::optional<std::string> FileErrorMessage(const FileResult& r);

// A file error message taken apart again, so that its path can be shown as a
// path and its cause as text (the two may be in different encodings).
struct FileErrorParts {
  std::string_view path;  // empty for the no-name text
  FileCause cause = FileCause::None;
  bool noName = false;
};
std::optional<FileErrorParts> SplitFileErrorMessage(std::string_view message);

}  // namespace zv
