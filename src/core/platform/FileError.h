#pragma once
// The file error message: "path: cause" for the four causes that show a box,
// nothing for file-not-found and the rest.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// A message for every failure, so none passes unseen: the file error message
// when there is one, a refusal's reason, else "path: <what failed> (<the
// system's description, in English>)". In the active code page.
std::string FileFailureMessage(const FileResult& r);
// The text FileFailureMessage puts after "path: " (UTF-8), without the description.
const char* FailureText(const FileResult& r);
// A message from a UTF-8 template: %1 to %9 become the arguments (bytes as
// they stand, such as paths), the rest is put in the active code page.
std::string FormatMessage(std::string_view utf8Template, std::initializer_list<std::string_view> args);
// The arguments of a message that FormatMessage made from utf8Template (its
// texts in either form), or nullopt when it was made otherwise.
std::optional<std::vector<std::string_view>> MatchMessage(std::string_view message,
                                                          std::string_view utf8Template);
// The templates of FileFailureMessage's forms other than the file error
// message ("%1: <text> (%2)" and the refusals' "%1: <text>").
std::vector<std::string> FailureTemplates();

// A file error message taken apart again, so that its path can be shown as a
// path and its cause as text (the two may be in different encodings).
struct FileErrorParts {
  std::string_view path;  // empty for the no-name text
  FileCause cause = FileCause::None;
  bool noName = false;
};
std::optional<FileErrorParts> SplitFileErrorMessage(std::string_view message);

}  // namespace zv
