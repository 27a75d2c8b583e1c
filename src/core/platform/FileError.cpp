#include "platform/FileError.h"

#include <cerrno>
#include <cstring>

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
    case FileOp::Refuse:
      return FileCause::None;  // a reason of its own, not one of the four
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

namespace {

std::string Local(const char* utf8) { return FromUtf8(utf8, ActiveCodePage()).value_or(utf8); }

std::string PathPart(const FileResult& r) { return r.path.empty() ? Local(texts::kNoFileName) : r.path; }

}  // namespace

std::optional<std::string> FileErrorMessage(const FileResult& r) {
  const char* cause = CauseText(CauseOf(r));
  if (!cause) return std::nullopt;
  // The path is in the active code page; so is the whole message.
  return PathPart(r) + ": " + Local(cause);
}

const char* FailureText(const FileResult& r) {
  if (const char* cause = CauseText(CauseOf(r))) return cause;
  switch (r.op) {
    case FileOp::Refuse:
      return r.err == kRefusedTooLarge   ? texts::kRefusedTooLarge
             : r.err == kRefusedEncoding ? texts::kRefusedEncoding
                                         : texts::kRefusedNotAFile;
    case FileOp::Read:
      return texts::kReadFailed;
    case FileOp::Write:
    case FileOp::Flush:
    case FileOp::Rename:
    case FileOp::Copy:
      return texts::kWriteFailed;
    case FileOp::CreateDir:
      return texts::kCreateDirFailed;
    case FileOp::None:
    case FileOp::Open:
    case FileOp::List:
      break;
  }
  return texts::kOpenFailed;
}

std::string FormatMessage(std::string_view utf8Template, std::initializer_list<std::string_view> args) {
  std::string out;
  std::size_t pos = 0;
  while (pos < utf8Template.size()) {
    const std::size_t mark = utf8Template.find('%', pos);
    const std::size_t end = mark == std::string_view::npos ? utf8Template.size() : mark;
    out += Local(std::string(utf8Template.substr(pos, end - pos)).c_str());
    if (mark == std::string_view::npos) break;
    const std::size_t n =
        mark + 1 < utf8Template.size() ? static_cast<std::size_t>(utf8Template[mark + 1] - '1') : 9;
    if (n < args.size()) out += args.begin()[n];
    pos = mark + 2;
  }
  return out;
}

std::optional<std::vector<std::string_view>> MatchMessage(std::string_view message,
                                                          std::string_view utf8Template) {
  // Texts and argument marks in turn: text, %n, text, ..., text (any may be empty).
  std::vector<std::string> texts{""};
  for (std::size_t pos = 0; pos < utf8Template.size();) {
    if (utf8Template[pos] == '%' && pos + 1 < utf8Template.size()) {
      texts.emplace_back();
      pos += 2;
    } else {
      texts.back() += utf8Template[pos++];
    }
  }
  for (bool local : {false, true}) {
    std::vector<std::string_view> args;
    std::size_t pos = 0;
    bool matched = true;
    for (std::size_t k = 0; k < texts.size() && matched; ++k) {
      const std::string text = local ? Local(texts[k].c_str()) : texts[k];
      if (k == 0) {
        matched = message.substr(0, text.size()) == text;
        pos = text.size();
      } else if (k + 1 == texts.size()) {
        matched = message.size() >= pos + text.size() && message.substr(message.size() - text.size()) == text;
        if (matched) args.push_back(message.substr(pos, message.size() - text.size() - pos));
      } else {
        const std::size_t at = text.empty() ? std::string_view::npos : message.find(text, pos);
        matched = at != std::string_view::npos;
        if (matched) {
          args.push_back(message.substr(pos, at - pos));
          pos = at + text.size();
        }
      }
    }
    if (matched) return args;
  }
  return std::nullopt;
}

std::vector<std::string> FailureTemplates() {
  std::vector<std::string> templates;
  for (const char* text :
       {texts::kOpenFailed, texts::kReadFailed, texts::kWriteFailed, texts::kCreateDirFailed})
    templates.push_back(std::string("%1: ") + text + " (%2)");
  for (const char* text : {texts::kRefusedTooLarge, texts::kRefusedNotAFile, texts::kRefusedEncoding})
    templates.push_back(std::string("%1: ") + text);
  return templates;
}

std::string FileFailureMessage(const FileResult& r) {
  if (auto message = FileErrorMessage(r)) return *message;
  std::string msg = PathPart(r) + ": " + Local(FailureText(r));
  if (r.op != FileOp::Refuse && r.err != 0) {
    // English and plain ASCII whatever the locale, so it fits either code page.
    const char* desc = ::strerrordesc_np(r.err);
    msg += " (" + (desc ? std::string(desc) : "errno " + std::to_string(r.err)) + ")";
  }
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
