#include "Console.h"

#include <langinfo.h>
#include <strings.h>

#include <algorithm>
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

namespace {

// C0 controls and DEL as \xNN; in UTF-8 also the C1 controls (U+0080 to
// U+009F), which some terminals obey as well. No CP932 trail byte is a control.
std::string EscapeControls(std::string text, CodePage terminal) {
  auto control = [&](std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return 1;
    return terminal == CodePage::Utf8 && c == 0xC2 && i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80
               ? 2
               : 0;
  };
  std::size_t i = 0;
  while (i < text.size() && control(i) == 0) ++i;
  if (i == text.size()) return text;
  std::string out(text, 0, i);
  for (; i < text.size(); ++i) {
    char escaped[8];
    switch (control(i)) {
      case 0:
        out += text[i];
        continue;
      case 1:
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
        break;
      default:
        std::snprintf(escaped, sizeof escaped, "\\u00%02X", static_cast<unsigned char>(text[++i]));
        break;
    }
    out += escaped;
  }
  return out;
}

}  // namespace

std::string Console::Shown(std::string_view bytes) const { return EscapeControls(Exact(bytes), m_terminal); }

std::string Console::Exact(std::string_view bytes) const {
  // UTF-8 is strict enough that CP932 text almost never passes for it, so
  // validity decides which code page the bytes are in, name by name: a
  // legacy name below a UTF-8 folder reads right too.
  if (m_terminal == CodePage::Cp932 && !IsValidText(bytes, CodePage::Utf8)) return std::string(bytes);
  const std::string utf8 = PathToUtf8(bytes);
  if (m_terminal == CodePage::Utf8) return utf8;
  return ConvertCodePage(utf8, CodePage::Utf8, m_terminal).value_or(std::string(bytes));
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

std::optional<std::size_t> MatchHead(std::string_view message, std::initializer_list<const char*> utf8Parts) {
  for (CodePage cp : {CodePage::Utf8, ActiveCodePage()}) {
    std::string head;
    for (const char* part : utf8Parts) head += FromUtf8(part, cp).value_or(part);
    if (StartsWith(message, head)) return head.size();
  }
  return std::nullopt;
}

}  // namespace

bool Console::IsFileErrorMessage(std::string_view message) { return SplitFileErrorMessage(message).has_value(); }

std::string Console::CoreMessage(std::string_view message, bool exact) const {
  auto show = [this, exact](std::string_view bytes) { return exact ? Exact(bytes) : Shown(bytes); };
  // Progress labels: a literal, then a path.
  for (const char* label :
       {texts::kNameSrcLabel, texts::kNameDstLabel, texts::kCopySrcLabel, texts::kCopyDstLabel}) {
    if (auto len = MatchHead(message, {label})) return Lit(label) + show(message.substr(*len));
  }
  // File error message: the path (or the no-name text), ": ", one of the causes.
  if (auto parts = SplitFileErrorMessage(message)) {
    return (parts->noName ? Lit(texts::kNoFileName) : show(parts->path)) + ": " + Lit(CauseText(parts->cause));
  }
  // The other failure messages: templates whose %n are paths (or the system's
  // ASCII description of a failure).
  std::vector<std::string> templates = FailureTemplates();
  for (const char* t : {texts::kDstIsSource, texts::kDstTaken, texts::kLinkLeftAlone})
    templates.emplace_back(t);
  for (const std::string& t : templates) {
    const auto args = MatchMessage(message, t);
    if (!args) continue;
    std::string out;
    for (std::size_t pos = 0; pos < t.size();) {
      const std::size_t mark = std::min(t.find('%', pos), t.size());
      out += Lit(std::string_view(t).substr(pos, mark - pos));
      if (mark == t.size()) break;
      const auto n = static_cast<std::size_t>(t[mark + 1] - '1');
      if (n < args->size()) out += show((*args)[n]);
      pos = mark + 2;
    }
    return out;
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
      return Lit(texts::kAddItemFailed) + Lit(texts::kSearchLabel) + show(find) + "\n" +
             Lit(texts::kReplaceLabel) + show(replace);
    }
  }
  // Texts made of literals only (walk messages, folder checks) in either form.
  return show(message);
}

std::string Console::FileFailure(const FileResult& r, std::string_view fallbackPath,
                                 std::string_view utf8FallbackCause) const {
  // A refusal says why on its own.
  if (r.op == FileOp::Refuse) return PathMessage(r.path.empty() ? fallbackPath : r.path, FailureText(r));
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

void Console::Out(const std::string& line) { WriteOut(line + '\n'); }

bool Console::WriteOut(std::string_view bytes) {
  std::lock_guard lock(m_mutex);
  bool ok = !m_stdoutClosed && std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  ok = std::fflush(stdout) == 0 && ok;
  if (!ok) m_outFailed = true;
  return ok;
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
