#include "Console.h"

#include <langinfo.h>
#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

#include "filename/FileNameTexts.h"
#include "list/ListTexts.h"
#include "platform/FileError.h"
#include "platform/PlatformTexts.h"
#include "text/TextTexts.h"

namespace zv::cli {

CodePage TerminalCodePage() {
  const char* set = nl_langinfo(CODESET);
  if (set) {
    for (const char* name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"}) {
      if (strcasecmp(set, name) == 0) return CodePage::Cp932;
    }
  }
  return CodePage::Utf8;
}

Console::Console(CodePage terminal) : m_terminal(terminal) {}

std::string Console::Lit(std::string_view utf8) const {
  if (m_terminal == CodePage::Utf8) return std::string(utf8);
  return ConvertCodePage(utf8, CodePage::Utf8, m_terminal).value_or(std::string(utf8));
}

std::string Console::Shown(std::string_view bytes) const {
  // UTF-8 is strict enough that CP932 text almost never passes for it, so
  // validity decides which code page the bytes are in.
  CodePage from = IsValidText(bytes, CodePage::Utf8) ? CodePage::Utf8 : CodePage::Cp932;
  if (from == m_terminal) return std::string(bytes);
  return ConvertCodePage(bytes, from, m_terminal).value_or(std::string(bytes));
}

std::string Console::PathMessage(std::string_view path, std::string_view utf8Cause) const {
  return Shown(path) + ": " + Lit(utf8Cause);
}

namespace {

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}
bool StartsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

// The core writes its literals either as they stand (UTF-8) or converted to
// the active code page; a message is matched against both forms.
std::vector<std::string> Forms(const char* utf8) {
  std::vector<std::string> forms{utf8};
  if (auto local = FromUtf8(utf8, ActiveCodePage()); local && *local != forms[0]) forms.push_back(*local);
  return forms;
}

std::optional<std::size_t> MatchTail(std::string_view message, const char* utf8) {
  for (const std::string& form : Forms(utf8)) {
    std::string tail = ": " + form;
    if (EndsWith(message, tail)) return message.size() - tail.size();
  }
  return std::nullopt;
}

std::optional<std::size_t> MatchHead(std::string_view message, std::initializer_list<const char*> utf8Parts) {
  for (CodePage cp : {CodePage::Utf8, ActiveCodePage()}) {
    std::string head;
    for (const char* part : utf8Parts) head += FromUtf8(part, cp).value_or(part);
    if (StartsWith(message, head)) return head.size();
  }
  return std::nullopt;
}

constexpr FileCause kCauses[] = {FileCause::BadPath, FileCause::AccessDenied, FileCause::HardwareError,
                                 FileCause::DiskFull};

}  // namespace

bool Console::IsFileErrorMessage(std::string_view message) {
  for (FileCause cause : kCauses) {
    if (MatchTail(message, CauseText(cause))) return true;
  }
  return false;
}

std::string Console::CoreMessage(std::string_view message) const {
  // Progress labels: a literal, then a path.
  for (const char* label :
       {texts::kNameSrcLabel, texts::kNameDstLabel, texts::kCopySrcLabel, texts::kCopyDstLabel}) {
    if (auto len = MatchHead(message, {label})) return Lit(label) + Shown(message.substr(*len));
  }
  // File error message: the path (or the no-name text), ": ", one of the causes.
  for (FileCause cause : kCauses) {
    if (auto pathLen = MatchTail(message, CauseText(cause))) {
      return Shown(message.substr(0, *pathLen)) + ": " + Lit(CauseText(cause));
    }
  }
  // Add-item failure: the fields sit between fixed literals and hold no line
  // break, so the first CR LF ends the search field.
  if (auto headLen = MatchHead(message, {texts::kAddItemFailed, texts::kSearchLabel});
      headLen && EndsWith(message, "\r\n")) {
    for (const std::string& label : Forms(texts::kReplaceLabel)) {
      std::size_t midPos = message.find("\r\n" + label, *headLen);
      if (midPos == std::string_view::npos) continue;
      std::string_view find = message.substr(*headLen, midPos - *headLen);
      std::size_t replaceStart = midPos + 2 + label.size();
      std::string_view replace = message.substr(replaceStart, message.size() - 2 - replaceStart);
      // Terminal lines end in LF alone.
      return Lit(texts::kAddItemFailed) + Lit(texts::kSearchLabel) + Shown(find) + "\n" +
             Lit(texts::kReplaceLabel) + Shown(replace);
    }
  }
  // Texts made of literals only (walk messages, folder checks) in either form.
  return Shown(message);
}

std::string Console::FileFailure(const FileResult& r, std::string_view fallbackPath,
                                 std::string_view utf8FallbackCause) const {
  FileCause cause = CauseOf(r);
  if (cause != FileCause::None) {
    std::string shownPath = r.path.empty() ? Lit(texts::kNoFileName) : Shown(r.path);
    return shownPath + ": " + Lit(CauseText(cause));
  }
  std::string path = r.path.empty() ? std::string(fallbackPath) : r.path;
  std::string text = PathMessage(path, utf8FallbackCause);
  // strerror speaks the locale's language in the locale's encoding, which is
  // the terminal's already.
  if (r.err != 0) text += std::string(" (") + std::strerror(r.err) + ")";
  return text;
}

void Console::Error(const std::string& line) {
  std::lock_guard lock(m_mutex);
  ClearProgressLocked();
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fputc('\n', stderr);
  DrawProgressLocked();
  std::fflush(stderr);
}

void Console::Out(const std::string& line) {
  std::lock_guard lock(m_mutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Console::SetProgressLine(const std::string& line) {
  std::lock_guard lock(m_mutex);
  ClearProgressLocked();
  m_progress = line;
  DrawProgressLocked();
  std::fflush(stderr);
}

void Console::ClearProgressLocked() {
  if (!m_progress.empty()) std::fputs("\r\x1b[K", stderr);
}

void Console::DrawProgressLocked() {
  if (!m_progress.empty()) std::fwrite(m_progress.data(), 1, m_progress.size(), stderr);
}

}  // namespace zv::cli
