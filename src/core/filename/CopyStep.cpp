#include "filename/CopyStep.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/File.h"
#include "platform/Path.h"

namespace zv {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  // The destination mostly does not exist yet: one look is enough then.
  if (::stat(b.c_str(), &sb) != 0 || ::stat(a.c_str(), &sa) != 0) return false;
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
    outcome.action = FileAction::Failed;
    outcome.error = std::strerror(r.err);
  }
}

}  // namespace zv
