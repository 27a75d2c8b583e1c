#include "filename/CopyStep.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/File.h"
#include "platform/FileError.h"
#include "platform/Path.h"

namespace zv {

bool SameFile(const std::string& src, const std::string& dst) {
  struct stat sa {};
  struct stat sb {};
  // The destination mostly does not exist yet: one look is enough then. A
  // link there is replaced, not written through, so it is never the file.
  if (::lstat(dst.c_str(), &sb) != 0 || ::stat(src.c_str(), &sa) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void CopyUnchanged(const std::string& src, const std::string& dst, bool overwrite, bool dryRun,
                   FileOutcome& outcome) {
  const bool failIfExists = !overwrite;
  if (dryRun) {
    outcome.action = failIfExists && PathFileExists(dst) ? FileAction::Exists : FileAction::Copied;
    return;
  }
  const FileResult r = CopyFileKeep(src, dst, failIfExists);
  if (r.ok) {
    outcome.action = FileAction::Copied;
  } else if (r.err == EEXIST && failIfExists) {
    outcome.action = FileAction::Exists;
  } else {
    FailFile(outcome, FileFailureMessage(r));
  }
}

void FailFile(FileOutcome& outcome, std::string message) {
  outcome.action = FileAction::Failed;
  outcome.error = std::move(message);
}

}  // namespace zv
