#include "RunSink.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "CliTexts.h"
#include "Console.h"
#include "filename/FileNameTexts.h"
#include "filename/RunSummary.h"

namespace zv::cli {

int TerminalWidth() {
  winsize ws{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

namespace {

int Utf8Columns(char32_t c) {
  if (c < 0x1100) return 1;
  if (c >= 0xFF61 && c <= 0xFF9F) return 1;  // half-width katakana
  return 2;
}

}  // namespace

std::string FitColumns(const std::string& text, int columns, CodePage terminal) {
  int used = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t len = std::max<std::size_t>(1, CharLen(text, pos, terminal));
    int w = 1;
    if (terminal == CodePage::Cp932) {
      w = static_cast<int>(len);  // one byte per column in CP932
    } else if (len > 1) {
      auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
      char32_t c = len == 2   ? ((b(0) & 0x1F) << 6) | (b(1) & 0x3F)
                   : len == 3 ? ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F)
                              : 0x10000;
      w = Utf8Columns(c);
    }
    if (used + w > columns) break;
    used += w;
    pos += len;
  }
  return text.substr(0, pos);
}

RunSink::RunSink(Console& console, const std::vector<std::string>& files, bool dryRun, bool showProgress)
    : m_console(console),
      m_files(files),
      m_dryRun(dryRun),
      m_showProgress(showProgress),
      m_width(showProgress ? TerminalWidth() : 80),
      m_outcomes(files.size()),
      m_errorTexts(files.size()) {}

void RunSink::ShowSrcFile(const std::string& label) {
  std::lock_guard lock(m_mutex);
  if (label.empty()) return;  // the engine clears its labels at the end
  if (!m_showProgress) return;
  m_current = label;  // converted only when a line is drawn
  DrawLocked();
}

void RunSink::RunFinished() {
  std::lock_guard lock(m_mutex);
  m_current.clear();
  DrawLocked();
}

void RunSink::ShowFileError(const std::string& message) {
  std::lock_guard lock(m_mutex);
  m_shownErrors.push_back(message);
  m_console.Error(m_console.CoreMessage(message));
}

void RunSink::RunNotice(const std::string& message) {
  std::lock_guard lock(m_mutex);
  m_console.Error(m_console.Lit(message));
}

void RunSink::FileDone(const FileOutcome& outcome) {
  std::lock_guard lock(m_mutex);
  if (outcome.index >= m_outcomes.size() || m_outcomes[outcome.index]) return;
  m_outcomes[outcome.index] = outcome;
  ++m_done;
  // A text file copied unchanged because no encoding fits counts as failed:
  // it was not converted as asked.
  if (outcome.action == FileAction::Failed || !outcome.error.empty()) {
    ++m_failed;
    // The engines send every failure to the error sink first; a message not
    // seen there still reaches stderr.
    auto shown = std::find(m_shownErrors.begin(), m_shownErrors.end(), outcome.error);
    if (shown != m_shownErrors.end()) {
      m_shownErrors.erase(shown);
    } else {
      m_console.Error(m_console.CoreMessage(outcome.error));
    }
    // The report keeps the message's names exact (quoted), not escaped.
    m_errorTexts[outcome.index] = m_console.CoreMessage(outcome.error, true);
  } else if (!outcome.note.empty()) {
    m_errorTexts[outcome.index] = m_console.CoreMessage(outcome.note, true);
  }
  if (m_dryRun) PrintDryRunLinesLocked(false);
  DrawLocked();
}

void RunSink::PrintDryRunLinesLocked(bool toEnd) {
  // In file-list order, whatever order the outcomes arrive in; at the end of
  // a stopped run the files never reached are passed over.
  for (; m_nextDryRunLine < m_outcomes.size(); ++m_nextDryRunLine) {
    if (!m_outcomes[m_nextDryRunLine]) {
      if (toEnd) continue;
      break;
    }
    const FileOutcome& o = *m_outcomes[m_nextDryRunLine];
    switch (o.action) {
      case FileAction::Converted:
        m_console.Out("convert " + m_console.Shown(o.src) + " -> " + m_console.Shown(o.dst) + " (" +
                      o.encoding + ")");
        break;
      case FileAction::Copied:
        m_console.Out("copy " + m_console.Shown(o.src) + " -> " + m_console.Shown(o.dst));
        break;
      case FileAction::Skipped:
      case FileAction::Exists:
        m_console.Out("skip " + m_console.Shown(o.src));
        break;
      case FileAction::Failed:
        break;  // on stderr already
    }
  }
}

void RunSink::DrawLocked() {
  if (!m_showProgress) return;
  const std::size_t total = m_files.size();
  // A terminal over SSH need not see every file of a large run.
  const auto now = std::chrono::steady_clock::now();
  if (m_done < total && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  constexpr int kBar = 20;
  int filled = total == 0 ? kBar : static_cast<int>(m_done * kBar / total);
  std::string line = "[" + std::string(filled, '#') + std::string(kBar - filled, '-') + "] " +
                     std::to_string(m_done) + "/" + std::to_string(total);
  if (!m_current.empty()) line += " " + m_console.CoreMessage(m_current);
  // One column short of the width, so the terminal never wraps the line.
  m_console.SetProgressLine(FitColumns(line, m_width - 1, m_console.Terminal()));
}

void RunSink::Finish() {
  std::lock_guard lock(m_mutex);
  if (m_dryRun) {
    PrintDryRunLinesLocked(true);
    // The plan's counts, the numbers the report's rows give.
    RunSummary summary;
    for (const auto& o : m_outcomes) {
      if (o) {
        summary.Add(*o);
      } else {
        ++summary.notReached;
      }
    }
    m_console.Out(m_console.Lit(SummaryLine(summary)));
  }
  if (m_showProgress) m_console.SetProgressLine("");
}

std::size_t RunSink::FailedCount() const {
  std::lock_guard lock(m_mutex);
  return m_failed;
}

std::vector<ReportRow> RunSink::ReportRows() const {
  std::lock_guard lock(m_mutex);
  std::vector<ReportRow> rows;
  rows.reserve(m_files.size());
  for (std::size_t i = 0; i < m_files.size(); ++i) {
    ReportRow row;
    if (const auto& o = m_outcomes[i]) {
      // Paths go into the report as the file system's bytes.
      row.source = o->src.empty() ? m_files[i] : o->src;
      row.destination = o->dst;
      row.action = FileActionName(o->action);
      row.replacements = o->replacements;
      row.error = m_errorTexts[i];
      row.encoding = o->encoding;
    } else {
      row.source = m_files[i];
      row.action = FileActionName(FileAction::Skipped);
      row.error = m_console.Lit(texts::kNotProcessed);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace zv::cli
