#pragma once
// What a folder run reports to: the progress bar, the file error messages,
// the dry-run lines and the per-file outcomes for the report. Every entry is
// locked, so the engine may call it from several workers at once.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "filename/RunInterfaces.h"
#include "filename/RunReport.h"
#include "platform/CodePage.h"

namespace zv::cli {

class Console;

class RunSink : public ProgressSink, public ErrorSink {
 public:
  RunSink(Console& console, const std::vector<std::string>& files, bool dryRun, bool showProgress);

  void ShowSrcFile(const std::string& label) override;
  void ShowDstFile(const std::string&) override {}
  void ShowProgress(int) override {}
  void RunFinished() override;
  void FileDone(const FileOutcome& outcome) override;
  void RunNotice(const std::string& message) override;
  void ShowFileError(const std::string& message) override;

  // Clears the progress line; call once the engine has returned.
  void Finish();
  std::size_t FailedCount() const;
  // One row per file of the list; files the run never reached are marked so.
  std::vector<ReportRow> ReportRows() const;

 private:
  void DrawLocked();
  void PrintDryRunLinesLocked(bool toEnd);

  Console& m_console;
  const std::vector<std::string>& m_files;
  bool m_dryRun;
  bool m_showProgress;
  int m_width;

  mutable std::mutex m_mutex;
  std::vector<std::optional<FileOutcome>> m_outcomes;
  std::vector<std::string> m_errorTexts;   // the text shown for each failed file, by index
  std::vector<std::string> m_shownErrors;  // file error messages shown and not yet matched to a file
  std::size_t m_nextDryRunLine = 0;
  std::size_t m_done = 0;
  std::size_t m_failed = 0;
  std::string m_current;  // the source label as the core gave it
  std::chrono::steady_clock::time_point m_lastDraw{};
};

// Columns of the terminal on stderr (80 when unknown).
int TerminalWidth();
// Cuts terminal-encoded text to at most `columns` display columns, on a
// character boundary (double-width characters count two).
std::string FitColumns(const std::string& text, int columns, CodePage terminal);

}  // namespace zv::cli
