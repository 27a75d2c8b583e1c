#pragma once
// Everything the program prints goes through here: literals (UTF-8 source
// text) and variable parts (paths and list fields, bytes that may be in either
// code page) are turned into the terminal's encoding, and messages on stderr
// share the line with the progress bar without garbling it.

#include <mutex>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/File.h"

namespace zv::cli {

// The terminal's encoding from the locale's character set (after setlocale):
// Shift_JIS/CP932/Windows-31J give 932, anything else UTF-8.
CodePage TerminalCodePage();

class Console {
 public:
  explicit Console(CodePage terminal);

  CodePage Terminal() const { return m_terminal; }
  // A UTF-8 literal in the terminal's encoding.
  std::string Lit(std::string_view utf8) const;
  // Variable bytes in the terminal's encoding, name by name: taken as UTF-8
  // when valid UTF-8, otherwise as CP932; on a UTF-8 terminal bytes that fit
  // neither show as replacement characters. Control characters are escaped
  // (\x1B, \u009B), so a name cannot move the cursor or forge a line.
  std::string Shown(std::string_view bytes) const;
  // The same without the escapes, for the report.
  std::string Exact(std::string_view bytes) const;
  // "<path>: <cause>" with a literal cause.
  std::string PathMessage(std::string_view path, std::string_view utf8Cause) const;
  // A text the core built from literals and variable bytes (file error
  // message, failure messages, add-item failure, progress labels), rebuilt
  // part by part; exact: the variable parts as Exact shows them.
  std::string CoreMessage(std::string_view message, bool exact = false) const;
  static bool IsFileErrorMessage(std::string_view message);
  // The message for a failed file operation; fallbackCause when the failure
  // has no cause text of its own (the errno text is added).
  std::string FileFailure(const FileResult& r, std::string_view fallbackPath,
                          std::string_view utf8FallbackCause) const;

  // One line on stderr / stdout (a line end is added), terminal-encoded.
  void Error(const std::string& line);
  void Out(const std::string& line);
  // Bytes on stdout as they stand; false when they could not be written.
  bool WriteOut(std::string_view bytes);
  // Standard output was closed when the program started: nothing written
  // there arrives, so every write to it fails.
  void SetStdoutClosed() { m_stdoutClosed = true; }
  // Some write to stdout failed (a full disk, a closed pipe) and no one has
  // said so yet.
  bool OutFailureUnsaid() const { return m_outFailed && !m_outFailureSaid; }
  void OutFailureSaid() { m_outFailureSaid = true; }

  // The progress line on stderr, redrawn in place; empty clears it.
  void SetProgressLine(const std::string& line);

 private:
  void ClearProgressLocked();
  void DrawProgressLocked();

  CodePage m_terminal;
  std::mutex m_mutex;
  std::string m_progress;  // the line currently drawn, empty when none
  bool m_stdoutClosed = false;
  bool m_outFailed = false;  // guarded by m_mutex
  bool m_outFailureSaid = false;
};

}  // namespace zv::cli
