#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "engines/TreeFixture.h"
#include "filename/FolderWalk.h"
#include "platform/File.h"
#include "platform/PlatformTexts.h"
#include "text/FolderTextEngine.h"
#include "text/TextTexts.h"

namespace zv {
namespace {

using zvtest::CountingRows;
using zvtest::Exists;
using zvtest::ReadBytes;
using zvtest::RecordingErrors;
using zvtest::RecordingSink;
using zvtest::Rows;
using zvtest::TempDir;
using zvtest::WriteBytes;
namespace fs = std::filesystem;

// Files ending in .bin or .jpg count as binary.
bool TextUnlessBinaryExtension(const std::string& p) { return !(p.ends_with(".bin") || p.ends_with(".jpg")); }

class FolderTextRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    src = tmp / "src";
    out = tmp / "out";
  }
  void TearDown() override { SetFileFaultHook(nullptr); }

  std::vector<std::string> Walk(const std::string& pattern = "*.*") {
    std::vector<std::string> files;
    EXPECT_TRUE(CollectFiles(src, pattern, true, files, {}));
    return files;
  }

  RunEnd Run(const ConvertRows& rows, FolderTextRunOptions opt, const std::string& dst = "") {
    return RunFiles(Walk(), rows, std::move(opt), dst);
  }
  RunEnd RunFiles(std::vector<std::string> files, const ConvertRows& rows, FolderTextRunOptions opt,
                  const std::string& dst = "") {
    if (!opt.isTextFile) opt.isTextFile = TextUnlessBinaryExtension;
    FolderTextEngine engine(std::move(files), src, dst.empty() ? out : dst, std::move(opt), CodePage::Utf8);
    CountingRows source(rows);
    running = 1;
    const RunEnd end = engine.Run(source, sink, errors, running);
    rowCalls = source.calls;
    EXPECT_EQ(running.load(), 0);
    return end;
  }

  zvtest::CodePageScope codePage{CodePage::Utf8};
  TempDir tmp;
  std::string src, out;
  RecordingSink sink;
  RecordingErrors errors;
  std::atomic<int> running{0};
  int rowCalls = 0;
};

FolderTextRunOptions Opt(bool overwrite = false, bool exceptCopy = false) {
  FolderTextRunOptions o;
  o.isTextFile = TextUnlessBinaryExtension;
  o.overwrite = overwrite;
  o.exceptFileCopyOnly = exceptCopy;
  return o;
}

TEST_F(FolderTextRun, ConvertsTextWithLineEndConventions) {
  WriteBytes(src + "/lf.txt", "a cat\nb");
  WriteBytes(src + "/crlf.txt", "cat\r\ncat\r\n");
  WriteBytes(src + "/eof.txt",
             "cat\x1a"
             "after cat");
  WriteBytes(src + "/lonecr.txt", "x\ry");
  WriteBytes(src + "/empty.txt", "");
  WriteBytes(src + "/sub/deep/n.md", "catcat");
  const auto before = zvtest::Snapshot(src);

  EXPECT_EQ(Run(Rows({{"cat", "dog"}, {"dog", "cow"}}), Opt()), RunEnd::Completed);
  EXPECT_EQ(ReadBytes(out + "/lf.txt"), "a cow\r\nb\r\n");
  EXPECT_EQ(ReadBytes(out + "/crlf.txt"), "cow\r\ncow\r\n");
  EXPECT_EQ(ReadBytes(out + "/eof.txt"), "cow\r\n");
  EXPECT_EQ(ReadBytes(out + "/lonecr.txt"), "x\ry\r\n");
  EXPECT_EQ(ReadBytes(out + "/empty.txt"), "");
  EXPECT_EQ(ReadBytes(out + "/sub/deep/n.md"), "cowcow\r\n");
  EXPECT_EQ(zvtest::Snapshot(src), before);
  EXPECT_EQ(rowCalls, 6);
  EXPECT_TRUE(errors.messages.empty());
  for (const auto& o : sink.outcomes) EXPECT_EQ(o.action, FileAction::Converted) << o.src;
}

TEST_F(FolderTextRun, BinaryFilesCopiedOrSkipped) {
  WriteBytes(src + "/pic.jpg", std::string("\x00\xff\ncat\x1a", 7));
  WriteBytes(src + "/only/data.bin", "cat");
  WriteBytes(src + "/t.txt", "cat");

  Run(Rows({{"cat", "dog"}}), Opt());
  EXPECT_EQ(ReadBytes(out + "/pic.jpg"), std::string("\x00\xff\ncat\x1a", 7));
  EXPECT_EQ(ReadBytes(out + "/only/data.bin"), "cat");
  EXPECT_EQ(ReadBytes(out + "/t.txt"), "dog\r\n");

  TempDir other;
  Run(Rows({{"cat", "dog"}}), Opt(false, true), other.path());
  EXPECT_FALSE(Exists(other / "pic.jpg"));
  EXPECT_FALSE(Exists(other / "only/data.bin"));
  EXPECT_TRUE(zvtest::IsDir(other / "only"));  // the skipped file's folder is still made
  EXPECT_EQ(ReadBytes(other / "t.txt"), "dog\r\n");
}

TEST_F(FolderTextRun, ExistingOutputsTextAlwaysBinaryOnlyWithOverwrite) {
  WriteBytes(src + "/t.txt", "new");
  WriteBytes(src + "/b.bin", "new");
  WriteBytes(out + "/t.txt", "old");
  WriteBytes(out + "/b.bin", "old");
  Run({}, Opt(false));
  EXPECT_EQ(ReadBytes(out + "/t.txt"), "new\r\n");
  EXPECT_EQ(ReadBytes(out + "/b.bin"), "old");
  EXPECT_EQ(sink.events.back(), "finished");
  Run({}, Opt(true));
  EXPECT_EQ(ReadBytes(out + "/b.bin"), "new");
}

TEST_F(FolderTextRun, ProgressProtocolAndLabels) {
  for (int i = 0; i < 4; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "x");
  Run({}, Opt());
  EXPECT_EQ(sink.Percents(), (std::vector<std::string>{"pct:0", "pct:25", "pct:50", "pct:75", "pct:-1"}));
  ASSERT_EQ(sink.events.size(), 4u * 3 + 4);
  if ((src + "/f0.txt").size() <= 55) {
    EXPECT_EQ(sink.events[0], std::string("src:") + texts::kCopySrcLabel + src + "/f0.txt");
    EXPECT_EQ(sink.events[1], std::string("dst:") + texts::kCopyDstLabel + out + "/f0.txt");
  }
  const std::vector<std::string> tail(sink.events.end() - 4, sink.events.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"src:", "dst:", "pct:-1", "finished"}));
  EXPECT_STREQ(texts::kCopySrcLabel, "コピー元： ");
  EXPECT_STREQ(texts::kCopyDstLabel, "コピー先： ");
}

TEST_F(FolderTextRun, StopDuringAFileCompletesItAndTouchesNothingAfter) {
  for (int i = 0; i < 4; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "cat");
  CountingRows rows(Rows({{"cat", "dog"}}));
  rows.onGetRows = [this](int call) {
    if (call == 2) running = 0;
  };
  FolderTextEngine engine(Walk(), src, out, Opt(), CodePage::Utf8);
  running = 1;
  EXPECT_EQ(engine.Run(rows, sink, errors, running), RunEnd::Stopped);
  EXPECT_EQ(ReadBytes(out + "/f1.txt"), "dog\r\n");  // the file under way completes
  EXPECT_FALSE(Exists(out + "/f2.txt"));
  EXPECT_EQ(sink.events.size(), 6u);
  EXPECT_EQ(running.load(), 0);
}

TEST_F(FolderTextRun, OutputFolderIsTheSourceFolder) {
  WriteBytes(src + "/a.txt", "cat\n");
  WriteBytes(src + "/s/b.txt", "cat");
  WriteBytes(src + "/img.bin", "cat");
  Run(Rows({{"cat", "lion"}}), Opt(true), src);
  EXPECT_EQ(ReadBytes(src + "/a.txt"), "lion\r\n");
  EXPECT_EQ(ReadBytes(src + "/s/b.txt"), "lion\r\n");
  EXPECT_EQ(ReadBytes(src + "/img.bin"), "cat");
  EXPECT_EQ(zvtest::Snapshot(src).size(), 4u);  // no stray temporary files
}

TEST_F(FolderTextRun, OutputInsideSourceIsNotTakenUpAgain) {
  WriteBytes(src + "/a.txt", "cat");
  Run(Rows({{"cat", "dog"}}), Opt(), src + "/out");
  EXPECT_EQ(sink.outcomes.size(), 1u);
  EXPECT_EQ(ReadBytes(src + "/out/a.txt"), "dog\r\n");
  EXPECT_FALSE(Exists(src + "/out/out"));
}

TEST_F(FolderTextRun, EveryFailedFileIsReportedByItsPathAndTheRunGoesOn) {
  WriteBytes(src + "/a.bin", "A");
  WriteBytes(src + "/b.txt", "B");
  WriteBytes(src + "/c.txt", "C");
  WriteBytes(src + "/d.txt", "D");
  WriteBytes(src + "/e.txt", "E");
  const auto files = Walk();
  std::filesystem::remove(src + "/a.bin");
  std::filesystem::remove(src + "/c.txt");
  std::filesystem::create_directories(out + "/d.txt");  // a folder in the way
  EXPECT_EQ(RunFiles(files, {}, Opt()), RunEnd::Completed);
  // Failures without a cause of the file error message (file not found) are said too.
  const std::string notFound = std::string(" (") + strerrordesc_np(ENOENT) + ")";
  EXPECT_EQ(errors.messages, (std::vector<std::string>{
                                 src + "/a.bin: " + texts::kOpenFailed + notFound,
                                 src + "/c.txt: " + texts::kOpenFailed + notFound,
                                 out + "/d.txt: " + texts::kCauseAccessDenied,
                             }));
  std::vector<std::string> failed;
  for (const auto& o : sink.outcomes)
    if (o.action == FileAction::Failed) failed.push_back(o.error);
  EXPECT_EQ(failed, errors.messages);
  EXPECT_EQ(ReadBytes(out + "/b.txt"), "B\r\n");
  EXPECT_EQ(ReadBytes(out + "/e.txt"), "E\r\n");
  EXPECT_EQ(sink.events.back(), "finished");
}

// Whole, or piece by piece with the disk full at the third piece.
TEST_F(FolderTextRun, FullDiskDuringWriteKeepsThePreviousOutput) {
  WriteBytes(src + "/a.txt", "new text, and more text for pieces\n");
  for (const bool pieces : {false, true}) {
    WriteBytes(out + "/a.txt", "previous");
    errors.messages.clear();
    FolderTextRunOptions opt = Opt();
    if (pieces) {
      opt.streamAbove = 0;
      opt.streamPiece = 8;
    }
    const int failAt = pieces ? 3 : 1;
    int writes = 0;
    SetFileFaultHook([&](FileOp op, const std::string&) {
      return op == FileOp::Write && ++writes >= failAt ? ENOSPC : 0;
    });
    EXPECT_EQ(Run({{"text", "words"}}, opt), RunEnd::Completed);
    SetFileFaultHook(nullptr);
    EXPECT_EQ(writes, failAt) << "the file ends at the failed write";
    ASSERT_EQ(errors.messages.size(), 1u) << pieces;
    EXPECT_NE(errors.messages[0].find(texts::kCauseDiskFull), std::string::npos);
    EXPECT_EQ(ReadBytes(out + "/a.txt"), "previous");
    EXPECT_EQ(zvtest::Snapshot(out).size(), 1u) << "no temporary file is left";
  }
}

TEST_F(FolderTextRun, DryRunCountsReplacementsWithoutWriting) {
  WriteBytes(src + "/s/a.txt", "cat cat");
  WriteBytes(src + "/b.bin", "x");
  FolderTextRunOptions opt = Opt();
  opt.dryRun = true;
  const auto before = zvtest::Snapshot(tmp.path());
  Run(Rows({{"cat", "dog"}}), opt);
  EXPECT_EQ(zvtest::Snapshot(tmp.path()), before);
  ASSERT_EQ(sink.outcomes.size(), 2u);
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Copied);
  EXPECT_EQ(sink.outcomes[1].action, FileAction::Converted);
  EXPECT_EQ(sink.outcomes[1].replacements, 2u);
}

TEST_F(FolderTextRun, DefaultTextTestUsesTheExtensionList) {
  TempDir config;
  WriteBytes(config / "ZentravolixExpList", "JPG\r\n");
  const char* old = std::getenv("ZENTRAVOLIX_CONFIG_DIR");
  const std::string saved = old ? old : "";
  ::setenv("ZENTRAVOLIX_CONFIG_DIR", config.path().c_str(), 1);
  WriteBytes(src + "/PHOTO.jpg", "cat");
  WriteBytes(src + "/a.tar.jpg.txt", "cat");
  FolderTextRunOptions opt = Opt();
  opt.isTextFile = nullptr;
  FolderTextEngine engine(Walk(), src, out, opt, CodePage::Utf8);
  FixedRowSource rows(Rows({{"cat", "dog"}}));
  running = 1;
  engine.Run(rows, sink, errors, running);
  if (old) {
    ::setenv("ZENTRAVOLIX_CONFIG_DIR", saved.c_str(), 1);
  } else {
    ::unsetenv("ZENTRAVOLIX_CONFIG_DIR");
  }
  EXPECT_EQ(ReadBytes(out + "/PHOTO.jpg"), "cat");
  EXPECT_EQ(ReadBytes(out + "/a.tar.jpg.txt"), "dog\r\n");
}

TEST_F(FolderTextRun, Cp932FolderEndingInSoAndBoundaryAwareReplacement) {
  SetActiveCodePage(CodePage::Cp932);
  const std::string so = "\x83\x5c";
  src = tmp / ("in" + so);
  WriteBytes(src + "/d" + so + "/t.txt", so + "\\");
  FolderTextEngine engine(Walk(), src, out, Opt(), CodePage::Cp932);
  FixedRowSource rows(Rows({{"\\", "/"}}));
  running = 1;
  EXPECT_EQ(engine.Run(rows, sink, errors, running), RunEnd::Completed);
  EXPECT_EQ(ReadBytes(out + "/d" + so + "/t.txt"), so + "/\r\n");
}

// Files above the threshold go piece by piece: runs that stream every file
// in pieces of a few bytes write the outputs and give the reports of runs
// that read each file whole, in every encoding choice and line-end mode,
// with one job or two, in a dry run and in place.
TEST_F(FolderTextRun, StreamedFilesGiveTheWholeFileOutputsAndReports) {
  const std::string tree = tmp / "tree";
  const std::string eucSoft = *EncodeText("ソフト cat\n", TextEncoding::EucJp);
  WriteBytes(tree + "/lf.txt",
             "a cat\nb cat\n\x1A"
             "cat\n");
  WriteBytes(tree + "/sub/crlf.txt", "cat\r\ncat\r\nlone\rcat");
  WriteBytes(tree + "/euc.txt", eucSoft + eucSoft + "cat");
  WriteBytes(tree + "/euc-late-fault.txt", eucSoft + "cat cat\n\xA4 cat\n");
  WriteBytes(tree + "/u16.txt", "\xFF\xFE" + *EncodeText("cat ソフト\r\ncat", TextEncoding::Utf16Le));
  WriteBytes(tree + "/junk.txt", "cat cat\n\x80\xFF cat\n");
  WriteBytes(tree + "/no-cut.txt", "ソフトウェア株式会社ソフトウェア\n");
  WriteBytes(tree + "/b.bin", "cat");
  const ConvertRows rows{{"cat", "dog"}, {"ソフト", "ｿﾌﾄ"}, {"株式", "(株)"}};

  struct Seen {
    zvtest::TreeSnapshot files;
    std::vector<std::string> report;
  };
  auto run = [&](const std::string& from, const std::string& to, FolderTextRunOptions opt) {
    src = from;
    sink = RecordingSink{};
    errors.messages.clear();
    if (to != from) fs::remove_all(to);
    EXPECT_EQ(Run(rows, std::move(opt), to), RunEnd::Completed);
    Seen seen{zvtest::Snapshot(to), {}};
    auto plain = [&](std::string s) {
      for (const std::string& folder : {to, from})
        for (std::size_t at; (at = s.find(folder)) != std::string::npos;) s.replace(at, folder.size(), "<>");
      return s;
    };
    for (const FileOutcome& o : sink.outcomes)
      seen.report.push_back(plain(o.src) + " " + std::to_string(static_cast<int>(o.action)) + " " +
                            std::to_string(o.replacements) + " " + o.encoding + " " + o.note + " " +
                            plain(o.error));
    for (const std::string& e : sink.events)
      if (e.starts_with("notice:")) seen.report.push_back(e);
    for (const std::string& m : errors.messages) seen.report.push_back(plain(m));
    return seen;
  };
  for (EncodingChoice choice : {EncodingChoice::System, EncodingChoice::Auto, EncodingChoice::EucJp})
    for (bool keep : {false, true})
      for (unsigned jobs : {1u, 2u})
        for (bool dry : {false, true}) {
          FolderTextRunOptions whole = Opt();
          whole.encoding = choice;
          whole.keepLineEnds = keep;
          whole.jobs = jobs;
          whole.dryRun = dry;
          FolderTextRunOptions pieces = whole;
          pieces.streamAbove = 0;
          pieces.streamPiece = 8;
          const std::string what = std::string(EncodingChoiceWord(choice)) + (keep ? " keep" : "") +
                                   " jobs " + std::to_string(jobs) + (dry ? " dry" : "");
          const Seen a = run(tree, tmp / "whole", whole);
          const Seen b = run(tree, tmp / "pieces", pieces);
          EXPECT_EQ(b.files, a.files) << what;
          EXPECT_EQ(b.report, a.report) << what;
          EXPECT_EQ(a.files.empty(), dry) << what;
          // In place: each file replaced by its own output.
          fs::remove_all(tmp / "in-place-whole");
          fs::remove_all(tmp / "in-place-pieces");
          fs::copy(tree, tmp / "in-place-whole", fs::copy_options::recursive);
          fs::copy(tree, tmp / "in-place-pieces", fs::copy_options::recursive);
          const Seen c = run(tmp / "in-place-whole", tmp / "in-place-whole", whole);
          const Seen d = run(tmp / "in-place-pieces", tmp / "in-place-pieces", pieces);
          EXPECT_EQ(d.files, c.files) << what << " in place";
          EXPECT_EQ(d.report, c.report) << what << " in place";
        }
}

}  // namespace
}  // namespace zv
