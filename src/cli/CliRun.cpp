#include "CliRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"
#include "Report.h"
#include "RunSink.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "list/ConvertListFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "settings/BinaryExtList.h"
#include "text/FolderTextEngine.h"
#include "text/TextConvert.h"

namespace zv::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Ctrl+C clears the run's flag, so the engine stops after the file under way;
// a second Ctrl+C ends the program at once (SA_RESETHAND).
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::atomic<int>*>::is_always_lock_free);
std::atomic<std::atomic<int>*> g_running{nullptr};
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
  if (std::atomic<int>* running = g_running.load()) running->store(0);
}

class InterruptGuard {
 public:
  explicit InterruptGuard(std::atomic<int>& running) {
    g_running.store(&running);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    // SA_RESTART: a file read under way is not failed by the interruption.
    sa.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &sa, &m_oldInt);
    sigaction(SIGTERM, &sa, &m_oldTerm);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    g_running.store(nullptr);
  }
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

 private:
  struct sigaction m_oldInt {};
  struct sigaction m_oldTerm {};
};

// 0 when the rows are ready, else the exit status.
int LoadList(const CliOptions& o, Console& con, ConvertRows& rows) {
  if (!PathFileExists(o.list)) {
    con.Error(con.PathMessage(o.list, texts::kListNotFound));
    return kExitUsage;
  }
  // Rows that cannot be added are reported after the note on the list's code page.
  std::vector<std::string> addFailed;
  auto onAddFailed = [&](const std::string& message) {
    addFailed.push_back(con.Shown(o.list) + ": " + con.CoreMessage(message));
  };
  LoadListResult r = LoadConvertList(o.list, rows, onAddFailed, ActiveCodePage());
  if (!r.io) {
    con.Error(con.FileFailure(r.io, o.list, texts::kListReadFailed));
    return kExitUsage;
  }
  if (r.added < 0) {
    con.Error(con.PathMessage(o.list, texts::kListNotFound));
    return kExitUsage;
  }
  if (r.convertedFrom) {
    con.Error(
        con.PathMessage(o.list, *r.convertedFrom == "CP932" ? texts::kListFromCp932 : texts::kListFromUtf8));
  }
  for (const std::string& line : addFailed) con.Error(line);
  if (r.added == 0 || rows.empty()) {
    con.Error(con.PathMessage(o.list, texts::kListNoUsableRow));
    return kExitUsage;
  }
  return kExitOk;
}

// The binary-extension test of a folder text run. An unreadable list is
// reported once per distinct message instead of once per file.
class TextFileTest {
 public:
  TextFileTest(Console& con, std::string listPath) : m_con(con), m_listPath(std::move(listPath)) {}
  bool operator()(const std::string& path) {
    return IsTextFileWith(path, m_listPath, [this](const std::string& message) {
      std::lock_guard lock(m_mutex);
      if (m_reported.insert(message).second) m_con.Error(m_con.CoreMessage(message));
    });
  }

 private:
  Console& m_con;
  std::string m_listPath;
  std::mutex m_mutex;
  std::set<std::string> m_reported;
};

unsigned JobsOf(const CliOptions& o) {
  if (o.jobs > 0) return o.jobs;
  return std::max(1u, std::thread::hardware_concurrency());
}

int FinishRun(const CliOptions& o, Console& con, const std::vector<ReportRow>& rows, int status) {
  if (o.report) {
    FileResult r = WriteReport(*o.report, rows);
    if (!r) {
      con.Error(con.FileFailure(r, *o.report, texts::kReportFailed));
      if (status == kExitOk) status = kExitFailed;
    }
  }
  if (g_interrupted) {
    con.Error(con.Lit(texts::kInterrupted));
    status = kExitInterrupted;
  }
  return status;
}

int RunFolder(const CliOptions& o, Console& con, bool showProgress) {
  if (auto message = CheckRunFolders(o.src, o.dst)) {
    con.Error(con.CoreMessage(*message));
    return kExitUsage;
  }
  struct stat st {};
  const bool srcFound = stat(o.src.c_str(), &st) == 0;
  if (!srcFound || !S_ISDIR(st.st_mode)) {
    const int err = srcFound ? ENOTDIR : errno;
    con.Error(con.Shown(o.src) + ": " + con.CoreMessage(SystemErrorText(kListPathNotFound, err)));
    return kExitUsage;
  }
  if (stat(o.dst.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
    con.Error(con.PathMessage(o.dst, texts::kOutputNotFolder));
    return kExitUsage;
  }
  ConvertRows rows;
  if (int status = LoadList(o, con, rows)) return status;

  const bool textRun = o.command == Command::FolderText;
  std::string extListPath;
  if (textRun) {
    if (o.binaryExt) {
      if (!PathFileExists(*o.binaryExt)) {
        con.Error(con.PathMessage(*o.binaryExt, texts::kExtListNotFound));
        return kExitUsage;
      }
      if (PathIsDirectory(*o.binaryExt)) {
        con.Error(con.PathMessage(*o.binaryExt, texts::kInputNotFile));
        return kExitUsage;
      }
      extListPath = *o.binaryExt;
    } else {
      extListPath = BinaryExtListPath();
    }
  }

  // The whole list is collected before the first write, so files the run
  // creates (output inside the source) are never taken up.
  std::vector<std::string> files;
  bool walkIncomplete = false;
  WalkCallbacks cb;
  cb.writeStdout = [&](const std::string& text) {
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    con.Error(con.CoreMessage(line));
    walkIncomplete = true;
  };
  cb.systemError = [&](int code, int err, const std::string& folder) {
    con.Error(con.Shown(folder) + ": " + con.CoreMessage(SystemErrorText(code, err)));
    walkIncomplete = true;
  };
  // Typed in a terminal, the pattern is read as a path would be (UTF-8 when
  // valid, else CP932); the walk takes it as text of the session.
  const std::optional<std::string> pattern = ConvertCodePage(o.pattern, NameCodePage(o.pattern), ActiveCodePage());
  if (!pattern) {
    con.Error(con.PathMessage(o.pattern, texts::kPatternNotExpressible));
    return kExitUsage;
  }
  if (!CollectFiles(o.src, *pattern, o.subdir, files, cb)) return kExitFailed;

  FixedRowSource rowSource(rows);
  RunSink sink(con, files, o.dryRun, showProgress);
  std::atomic<int> running{1};
  RunEnd end = RunEnd::Completed;
  {
    InterruptGuard guard(running);
    if (textRun) {
      TextFileTest test(con, extListPath);
      FolderTextRunOptions options;
      options.overwrite = o.overwrite;
      options.exceptFileCopyOnly = o.skipBinary;
      options.dryRun = o.dryRun;
      options.jobs = JobsOf(o);
      options.isTextFile = [&test](const std::string& path) { return test(path); };
      FolderTextEngine engine(files, o.src, o.dst, std::move(options), ActiveCodePage());
      end = engine.Run(rowSource, sink, sink, running);
    } else {
      FileNameRunOptions options;
      options.noCase = o.noCase;
      options.overwrite = o.overwrite;
      options.part = o.wholeName;
      options.dryRun = o.dryRun;
      options.jobs = JobsOf(o);
      FileNameEngine engine(files, o.src, o.dst, options);
      end = engine.Run(rowSource, sink, running);
    }
  }
  sink.Finish();

  int status = kExitOk;
  if (walkIncomplete || sink.FailedCount() > 0 || end == RunEnd::FailedAtFile) status = kExitFailed;
  // The rows are built only for a report: converting 20,000 paths for nothing showed in profiles.
  return FinishRun(o, con, o.report ? sink.ReportRows() : std::vector<ReportRow>{}, status);
}

int RunText(const CliOptions& o, Console& con) {
  ConvertRows rows;
  if (int status = LoadList(o, con, rows)) return status;
  struct stat st {};
  if (stat(o.file.c_str(), &st) != 0) {
    con.Error(con.PathMessage(o.file, texts::kInputNotFound));
    return kExitUsage;
  }
  if (S_ISDIR(st.st_mode)) {
    con.Error(con.PathMessage(o.file, texts::kInputNotFile));
    return kExitUsage;
  }
  const bool toStdout = !o.output || *o.output == "-";

  ReportRow row;
  row.source = o.file;
  row.destination = toStdout ? std::string("-") : *o.output;
  int status = kExitOk;
  std::string text;
  if (FileResult r = ReadSingleFileText(o.file, text); !r) {
    row.action = FileActionName(FileAction::Failed);
    row.error = con.FileFailure(r, o.file, texts::kReadFailed);
    con.Error(row.error);
    status = kExitFailed;
  } else {
    row.action = FileActionName(FileAction::Converted);
    row.replacements = ApplyList(text, rows, ActiveCodePage());
    if (o.removeLineBreaks) RemoveLineBreaks(text);
    if (o.dryRun) {
      con.Out("convert " + con.Shown(row.source) + " -> " + con.Shown(row.destination));
    } else if (!toStdout) {
      if (FileResult w = WriteSingleFileText(*o.output, text); !w) {
        row.action = FileActionName(FileAction::Failed);
        row.error = con.FileFailure(w, *o.output, texts::kWriteFailed);
        con.Error(row.error);
        status = kExitFailed;
      }
    } else {
      // The bytes as they stand, like the single-file tool's save.
      bool ok = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
      ok = std::fflush(stdout) == 0 && ok;
      if (!ok) {
        row.action = FileActionName(FileAction::Failed);
        row.error = con.Lit(texts::kStdoutName) + ": " + con.Lit(texts::kWriteFailed);
        con.Error(row.error);
        status = kExitFailed;
      }
    }
  }
  return FinishRun(o, con, {row}, status);
}

}  // namespace

int RunCli(int argc, const char* const* argv) {
  InitActiveCodePage();
  Console con(TerminalCodePage());
  try {
    ParseOutcome parsed = ParseCommandLine(argc, argv, con);
    if (!parsed.options) return parsed.exitCode;
    const CliOptions& o = *parsed.options;
    if (o.codePage) SetActiveCodePage(*o.codePage);
    const bool showProgress = isatty(STDERR_FILENO) && !o.quiet;
    switch (o.command) {
      case Command::Names:
      case Command::FolderText:
        return RunFolder(o, con, showProgress);
      case Command::Text:
        return RunText(o, con);
    }
  } catch (const std::exception& e) {
    con.Error(e.what());
  }
  return kExitFailed;
}

}  // namespace zv::cli
