#include "platform/FileError.h"

#include <cerrno>

#include "platform/CodePage.h"
#include "platform/Path.h"
#include "platform/PlatformTexts.h"

namespace zv {

namespace {

bool IsAccessError(int err) {
  return err == EACCES || err == EPERM || err == EROFS || err == EISDIR || err == ETXTBSY;
}

bool FolderMissing(const std::string& path) {
  if (path.empty()) return true;  // nothing to open at all
  const std::string dir = SplitPath(path).dir;
  return !dir.empty() && !PathIsDirectory(dir);
}

}  // namespace

FileCause CauseOf(const FileResult& r) {
  if (r.ok) return FileCause::None;
  switch (r.op) {
    case FileOp::Read:
      return FileCause::None;  // a read failing midway is a general failure
    case FileOp::Write:
    case FileOp::Flush:
    case FileOp::Rename:
      return IsAccessError(r.err) ? FileCause::AccessDenied : FileCause::DiskFull;
    default:
      break;
  }
  if (IsAccessError(r.err)) return FileCause::AccessDenied;
  switch (r.err) {
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
      return FileCause::BadPath;
    case ENOENT:
      return FolderMissing(r.path) ? FileCause::BadPath : FileCause::None;
    case EIO:
      return FileCause::HardwareError;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileCause::DiskFull;
    default:
      return FileCause::None;
  }
}

const char* CauseText(FileCause cause) {
  switch (cause) {
    case FileCause::BadPath:
      return texts::kCauseBadPath;
    case FileCause::AccessDenied:
      return texts::kCauseAccessDenied;
    case FileCause::HardwareError:
      return texts::kCauseHardware;
    case FileCause::DiskFull:
      return texts::kCauseDiskFull;
    case FileCause::None:
      break;
  }
  return nullptr;
}

std::optional<std::string> FileErrorMessage(const FileResult& r) {
  const char* cause = CauseText(CauseOf(r));
  if (!cause) return std::nullopt;
  // The path is in the active code page; so is the whole message.
  const CodePage cp = ActiveCodePage();
  auto local = [cp](const char* utf8) { return FromUtf8(utf8, cp).value_or(utf8); };
  std::string msg = r.path.empty() ? local(texts::kNoFileName) : r.path;
  msg += ": ";
  msg += local(cause);
  return msg;
}

std::optional<FileErrorParts> SplitFileErrorMessage(std::string_view message) {
  // The texts stand either as written (UTF-8) or converted to the active code page.
  auto forms = [](const char* utf8) {
    std::string local = FromUtf8(utf8, ActiveCodePage()).value_or(utf8);
    return std::pair<std::string, std::string>{utf8, std::move(local)};
  };
  for (FileCause cause : {FileCause::BadPath, FileCause::AccessDenied, FileCause::HardwareError, FileCause::DiskFull}) {
    const auto [utf8, local] = forms(CauseText(cause));
    for (const std::string& form : {utf8, local}) {
      const std::string tail = ": " + form;
      if (message.size() < tail.size() || message.substr(message.size() - tail.size()) != tail) continue;
      FileErrorParts parts;
      parts.path = message.substr(0, message.size() - tail.size());
      parts.cause = cause;
      const auto [noName, noNameLocal] = forms(texts::kNoFileName);
      if (parts.path == noName || parts.path == noNameLocal) {
        parts.path = {};
        parts.noName = true;
      }
      return parts;
    }
  }
  return std::nullopt;
}

}  // namespace zv
