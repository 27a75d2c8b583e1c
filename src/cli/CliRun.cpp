#include "CliRun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"
#include "RunSink.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "filename/RunReport.h"
#include "list/ConvertListFile.h"
#include "list/ListCheck.h"
#include "list/ListTexts.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Signals.h"
#include "settings/BinaryExtList.h"
#include "text/FolderTextEngine.h"
#include "text/RowsByEncoding.h"
#include "text/TextConvert.h"
#include "text/TextEncoding.h"
#include "text/TextStream.h"

namespace zv::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What the interrupt left to say once the run has ended: the message and
// 128 + the signal (130 after Ctrl+C), or status as it was.
int AfterSignal(Console& con, int status) {
  const int sig = TerminationSignal();
  if (sig == 0) return status;
  con.Error(con.Lit(texts::kInterrupted));
  return 128 + sig;
}

// Runs the engines while a first signal may clear `running`.
class TerminationFlag {
 public:
  explicit TerminationFlag(std::atomic<int>& running) { SetTerminationFlag(&running); }
  ~TerminationFlag() { SetTerminationFlag(nullptr); }
  TerminationFlag(const TerminationFlag&) = delete;
  TerminationFlag& operator=(const TerminationFlag&) = delete;
};

// A report that could not be written would be found out only after the
// whole run: it is tried first.
int CheckReport(const CliOptions& o, Console& con) {
  if (!o.report) return kExitOk;
  if (FileResult r = ProbeWrite(*o.report); !r) {
    con.Error(con.FileFailure(r, *o.report, texts::kReportFailed));
    return kExitUsage;
  }
  return kExitOk;
}

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
    const bool utf16 = r.convertedFrom->starts_with("UTF-16");
    con.Error(con.PathMessage(o.list, *r.convertedFrom == "CP932"          ? texts::kListFromCp932
                                      : !utf16                             ? texts::kListFromUtf8
                                      : ActiveCodePage() == CodePage::Utf8 ? texts::kListFromUtf16ToUtf8
                                                                           : texts::kListFromUtf16ToCp932));
  }
  for (const std::string& line : addFailed) con.Error(line);
  if (r.added == 0 || rows.empty()) {
    con.Error(con.PathMessage(o.list, texts::kListNoUsableRow));
    return kExitUsage;
  }
  return kExitOk;
}

// The binary-extension list of a folder text run, read once before it: the
// given file, else the config folder's, else the built-in list. A list that
// cannot be read is bad input. 0 when ready, else the exit status.
int LoadExtensions(const CliOptions& o, Console& con, ExtList& extensions) {
  extensions = DefaultBinaryExtensions();
  const std::string path = o.binaryExt ? *o.binaryExt : BinaryExtListPath();
  if (!PathFileExists(path)) {
    if (!o.binaryExt) return kExitOk;
    con.Error(con.PathMessage(path, texts::kExtListNotFound));
    return kExitUsage;
  }
  if (PathIsDirectory(path)) {
    con.Error(con.PathMessage(path, texts::kInputNotFile));
    return kExitUsage;
  }
  std::string message;
  if (LoadBinaryExtListFrom(path, extensions, [&message](const std::string& m) { message = m; }))
    return kExitOk;
  con.Error(con.CoreMessage(message));
  return kExitUsage;
}

// Text files above `above` bytes are converted piece by piece. For tests and
// measurements, ZENTRAVOLIX_STREAM_PIECE=n streams every text file n bytes
// at a time.
struct StreamSettings {
  std::uint64_t above = FolderTextRunOptions{}.streamAbove;
  std::size_t piece = FolderTextRunOptions{}.streamPiece;
};

StreamSettings StreamSettingsOf() {
  StreamSettings s;
  if (const char* v = std::getenv("ZENTRAVOLIX_STREAM_PIECE")) {
    char* end = nullptr;
    const unsigned long long n = std::strtoull(v, &end, 10);
    if (end != v && *end == '\0' && n > 0) {
      s.above = 0;
      s.piece = static_cast<std::size_t>(n);
    }
  }
  return s;
}

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
  return AfterSignal(con, status);
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
  ExtList extensions;
  if (textRun) {
    if (int status = LoadExtensions(o, con, extensions)) return status;
  }
  if (int status = CheckReport(o, con)) return status;

  // The whole list is collected before the first write, so files the run
  // creates (output inside the source) are never taken up.
  std::vector<std::string> files;
  bool walkIncomplete = false;
  WalkCallbacks cb;
  cb.folderNotice = [&](const std::string& text, const std::string& folder) {
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    con.Error(con.Shown(folder) + ": " + con.CoreMessage(line));
    walkIncomplete = true;
  };
  cb.systemError = [&](int code, int err, const std::string& folder) {
    con.Error(con.Shown(folder) + ": " + con.CoreMessage(SystemErrorText(code, err)));
    walkIncomplete = true;
  };
  // Typed in a terminal, the pattern is read as a path would be (UTF-8 when
  // valid, else CP932); the walk takes it as text of the session.
  const std::optional<std::string> pattern =
      ConvertCodePage(o.pattern, NameCodePage(o.pattern), ActiveCodePage());
  if (!pattern) {
    con.Error(con.PathMessage(o.pattern, texts::kPatternNotExpressible));
    return kExitUsage;
  }
  if (!CollectFiles(o.src, *pattern, o.subdir, files, cb)) return kExitFailed;

  FixedRowSource rowSource(rows);
  RunSink sink(con, files, o.dryRun, showProgress);
  std::atomic<int> running{1};
  {
    TerminationFlag flag(running);
    if (textRun) {
      FolderTextRunOptions options;
      options.encoding = o.encoding;
      options.keepLineEnds = o.keepLineEnds;
      options.overwrite = o.overwrite;
      options.exceptFileCopyOnly = o.skipBinary;
      options.dryRun = o.dryRun;
      options.jobs = JobsOf(o);
      const StreamSettings stream = StreamSettingsOf();
      options.streamAbove = stream.above;
      options.streamPiece = stream.piece;
      options.isTextFile = [&extensions](const std::string& path) { return IsTextFileIn(path, extensions); };
      FolderTextEngine engine(files, o.src, o.dst, std::move(options), ActiveCodePage());
      engine.Run(rowSource, sink, sink, running);
    } else {
      FileNameRunOptions options;
      options.noCase = o.noCase;
      options.overwrite = o.overwrite;
      options.part = o.wholeName;
      options.dryRun = o.dryRun;
      options.jobs = JobsOf(o);
      FileNameEngine engine(files, o.src, o.dst, options);
      engine.Run(rowSource, sink, sink, running);
    }
  }
  sink.Finish();

  int status = kExitOk;
  if (walkIncomplete || sink.FailedCount() > 0) status = kExitFailed;
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
  // A device or a FIFO could grow memory without end.
  if (!S_ISREG(st.st_mode)) {
    con.Error(con.PathMessage(o.file, texts::kInputNotFile));
    return kExitUsage;
  }
  if (int status = CheckReport(o, con)) return status;
  const bool toStdout = !o.output || *o.output == "-";

  ReportRow row;
  row.source = o.file;
  row.destination = toStdout ? std::string("-") : *o.output;
  row.action = FileActionName(FileAction::Converted);
  auto fail = [&](std::string message) {
    row.action = FileActionName(FileAction::Failed);
    row.error = std::move(message);
    con.Error(row.error);
  };
  // Into a file, a large text goes piece by piece; what cannot be taken
  // back (standard output) is written whole.
  const StreamSettings stream = StreamSettingsOf();
  bool streamed = false;
  if (!toStdout && static_cast<std::uint64_t>(st.st_size) > stream.above) {
    StreamRequest q;
    q.src = o.file;
    if (!o.dryRun) q.dst = *o.output;
    q.link = LinkAtTarget::Follow;
    q.rows = std::make_shared<const ConvertRows>(rows);
    q.encoding = o.encoding;
    q.form = o.removeLineBreaks ? LineEndForm::JoinedLines : LineEndForm::CrLfLines;
    q.cp = ActiveCodePage();
    q.piece = stream.piece;
    RowsByEncoding byEncoding;
    const StreamResult s = ConvertStreamed(q, byEncoding);
    streamed = s.end != StreamResult::End::WholeFile;
    if (s.enc && s.end != StreamResult::End::Unknown) row.encoding = EncodingLabel(*s.enc);
    switch (s.end) {
      case StreamResult::End::WholeFile:
        break;
      case StreamResult::End::ReadFailed:
        row.encoding.clear();
        fail(con.FileFailure(s.read, o.file, texts::kReadFailed));
        break;
      case StreamResult::End::Unknown:
      case StreamResult::End::NotExact:
        fail(con.PathMessage(o.file, s.end == StreamResult::End::Unknown ? texts::kEncodingUnknownText
                                                                         : texts::kEncodingNotExactText));
        break;
      case StreamResult::End::Done:
        if (!s.leftOut.empty())
          con.Error(
              con.Lit(RowsLeftOutOfTexts(s.leftOut, s.enc->ascii ? SessionEncoding() : s.enc->encoding)));
        row.replacements = s.replacements;
        if (o.dryRun) {
          con.Out("convert " + con.Shown(row.source) + " -> " + con.Shown(row.destination) + " (" +
                  row.encoding + ")");
        } else if (!s.write) {
          fail(con.FileFailure(s.write, *o.output, texts::kWriteFailed));
        }
        break;
    }
  }
  auto finish = [&] {
    const int status = row.action == FileActionName(FileAction::Failed) ? kExitFailed : kExitOk;
    return FinishRun(o, con, {row}, status);
  };
  if (streamed) return finish();
  try {
    std::string raw;
    EncodedText opened;
    EncodedFailure encoding = EncodedFailure::None;
    if (FileResult r = ReadFileBytes(o.file, raw); !r) {
      fail(con.FileFailure(r, o.file, texts::kReadFailed));
    } else if ((encoding = OpenEncoded(std::move(raw), o.encoding, opened)) != EncodedFailure::None) {
      if (encoding == EncodedFailure::NotExact) row.encoding = EncodingLabel(opened.enc);
      fail(con.PathMessage(o.file, encoding == EncodedFailure::Unknown ? texts::kEncodingUnknownText
                                                                       : texts::kEncodingNotExactText));
    } else {
      row.encoding = EncodingLabel(opened.enc);
      std::string text = SingleFileTextFromBytes(opened.text);
      RowsByEncoding byEncoding;
      const RowsByEncoding::Converted converted =
          byEncoding.For(std::make_shared<const ConvertRows>(rows), opened.as);
      if (!converted.leftOut.empty()) con.Error(con.Lit(RowsLeftOutOfTexts(converted.leftOut, opened.as)));
      row.replacements = ApplyList(text, *converted.rows, WorkingCodePage(opened.as));
      if (o.removeLineBreaks) RemoveLineBreaks(text);
      const std::optional<std::string> bytes = CloseEncoded(opened, std::move(text));
      if (!bytes) {
        fail(con.PathMessage(o.file, texts::kEncodingNotExactText));
      } else if (o.dryRun) {
        con.Out("convert " + con.Shown(row.source) + " -> " + con.Shown(row.destination) + " (" +
                row.encoding + ")");
      } else if (!toStdout) {
        if (FileResult w = WriteSingleFileText(*o.output, *bytes); !w)
          fail(con.FileFailure(w, *o.output, texts::kWriteFailed));
      } else if (!con.WriteOut(*bytes)) {
        // The bytes as they stand, like the single-file tool's save.
        fail(con.Lit(texts::kStdoutName) + ": " + con.Lit(texts::kWriteFailed));
        con.OutFailureSaid();
      }
    }
  } catch (const std::bad_alloc&) {
    // Larger than memory allows: a failure of this file, said with its name.
    fail(con.FileFailure(FileResult::Fail(FileOp::Read, ENOMEM, o.file), o.file, texts::kReadFailed));
  }
  return finish();
}

int RunCheck(const CliOptions& o, Console& con) {
  ConvertRows rows;
  if (int status = LoadList(o, con, rows)) return status;
  const std::vector<ListFinding> findings = CheckList(rows);
  if (o.csv) {
    std::string out = "kind,rows,message";
    for (const ListFinding& f : findings) {
      std::string numbers;
      for (std::size_t r : f.rows) numbers += (numbers.empty() ? "" : ";") + std::to_string(r);
      out += std::string("\n") + FindingKindWord(f.kind) + ',' + numbers + ',' + CsvField(f.message);
    }
    con.Out(con.Lit(out));
  } else if (findings.empty()) {
    con.Out(con.Lit(texts::kCheckNothingFound));
  } else {
    for (const ListFinding& f : findings) con.Out(con.Lit(f.message));
  }
  return findings.empty() ? kExitOk : kExitFailed;
}

// A standard stream that was closed at the start would be taken by the
// first file opened, and lines meant for it would go into that file. /dev/null
// fills it; true when stdout was one of them.
bool FillClosedStandardStreams() {
  bool stdoutClosed = false;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int filled = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (filled >= 0 && filled != fd) close(filled);  // lower ones are open, so this does not happen
    stdoutClosed = stdoutClosed || fd == STDOUT_FILENO;
  }
  return stdoutClosed;
}

int RunCommand(int argc, const char* const* argv, Console& con) {
  try {
    ParseOutcome parsed = ParseCommandLine(argc, argv, con);
    if (!parsed.options) return parsed.exitCode;
    const CliOptions& o = *parsed.options;
    if (o.codePage) SetActiveCodePage(*o.codePage);
    // Before any thread starts: the signals' own thread meets them all.
    InstallTerminationHandling();
    const bool showProgress = isatty(STDERR_FILENO) && !o.quiet;
    switch (o.command) {
      case Command::Names:
      case Command::FolderText:
        return RunFolder(o, con, showProgress);
      case Command::Text:
        return RunText(o, con);
      case Command::Check:
        return RunCheck(o, con);
    }
  } catch (const std::exception& e) {
    con.Error(e.what());
  }
  return kExitFailed;
}

}  // namespace

int RunCli(int argc, const char* const* argv) {
  const bool stdoutClosed = FillClosedStandardStreams();
  InitActiveCodePage();
  Console con(TerminalCodePage());
  if (stdoutClosed) con.SetStdoutClosed();
  int status = RunCommand(argc, argv, con);
  // Output that never arrived (a full disk, a closed pipe) is a failure too.
  if (con.OutFailureUnsaid()) {
    con.Error(con.Lit(texts::kStdoutName) + ": " + con.Lit(texts::kWriteFailed));
    if (status == kExitOk) status = kExitFailed;
  }
  return status;
}

}  // namespace zv::cli
