#include <gtest/gtest.h>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FileNameTexts.h"
#include "filename/FolderWalk.h"
#include "platform/CodePage.h"

namespace zv {
namespace {

using zvtest::CountingRows;
using zvtest::Exists;
using zvtest::ReadBytes;
using zvtest::RecordingSink;
using zvtest::Rows;
using zvtest::TempDir;
using zvtest::WriteBytes;

class FileNameRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    src = tmp / "src";
    out = tmp / "out";
  }

  // Walks the source folder and runs the engine over what it found.
  RunEnd Run(const ConvertRows& rows, FileNameRunOptions opt, bool recurse = true,
             const std::string& pattern = "*.*", const std::string& dst = "") {
    std::vector<std::string> files;
    WalkCallbacks cb;
    cb.writeStdout = [](const std::string&) {};
    EXPECT_TRUE(CollectFiles(src, pattern, recurse, files, cb));
    FileNameEngine engine(files, src, dst.empty() ? out : dst, opt);
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
  zvtest::RecordingErrors errors;
  std::atomic<int> running{0};
  int rowCalls = 0;
};

FileNameRunOptions Opt(bool noCase, bool part, bool overwrite = false) {
  FileNameRunOptions o;
  o.noCase = noCase;
  o.part = part;
  o.overwrite = overwrite;
  return o;
}

TEST_F(FileNameRun, CopiesUnderConvertedNamesKeepingExtension) {
  WriteBytes(src + "/Report.TXT", "R");
  WriteBytes(src + "/notes.txt", "N");
  WriteBytes(src + "/archive.tar.gz", "A");
  WriteBytes(src + "/.profile", "P");
  WriteBytes(src + "/README", "M");
  const auto before = zvtest::Snapshot(src);

  EXPECT_EQ(Run(Rows({{"report", "summary"}, {"txt", "X"}, {"notes.txt", "bad"}, {"tar", "zip"}}),
                Opt(true, false)),
            RunEnd::Completed);
  EXPECT_EQ(ReadBytes(out + "/summary.TXT"), "R");
  EXPECT_EQ(ReadBytes(out + "/notes.txt"), "N");  // extension and whole file name never matched
  EXPECT_EQ(ReadBytes(out + "/archive.zip.gz"), "A");
  EXPECT_EQ(ReadBytes(out + "/.profile"), "P");
  EXPECT_EQ(ReadBytes(out + "/README"), "M");
  EXPECT_EQ(zvtest::Snapshot(out).size(), 5u);
  EXPECT_EQ(zvtest::Snapshot(src), before);
  EXPECT_EQ(rowCalls, 5);  // rows fetched once per file
}

TEST_F(FileNameRun, CaseSensitiveRunLeavesNameAlone) {
  WriteBytes(src + "/Report.TXT", "R");
  Run(Rows({{"report", "summary"}}), Opt(false, false));
  EXPECT_EQ(ReadBytes(out + "/Report.TXT"), "R");
  EXPECT_FALSE(Exists(out + "/summary.TXT"));
}

TEST_F(FileNameRun, WholeNameModeAndEmptyReplacement) {
  WriteBytes(src + "/REPORT.txt", "1");
  WriteBytes(src + "/report_2020.txt", "2");
  WriteBytes(src + "/abc.txt", "3");
  Run(Rows({{"report", "x"}, {"abc", ""}}), Opt(true, true));
  EXPECT_EQ(ReadBytes(out + "/x.txt"), "1");
  EXPECT_EQ(ReadBytes(out + "/report_2020.txt"), "2");
  EXPECT_EQ(ReadBytes(out + "/.txt"), "3");  // named by its extension alone

  TempDir other;
  Run(Rows({{"abc", ""}}), Opt(false, false), true, "abc.*", other.path());
  EXPECT_EQ(ReadBytes(other / "abc.txt"), "3");
}

TEST_F(FileNameRun, MirrorsSubfoldersOnlyWhereFilesWereCollected) {
  WriteBytes(src + "/sub/deep/a.txt", "a");
  WriteBytes(src + "/sub/skip.bin", "b");
  WriteBytes(src + "/lonely/none.bin", "c");
  std::filesystem::create_directories(src + "/empty");
  Run(Rows({{"a", "A"}}), Opt(false, false), true, "*.txt");
  EXPECT_EQ(ReadBytes(out + "/sub/deep/A.txt"), "a");
  EXPECT_FALSE(Exists(out + "/lonely"));
  EXPECT_FALSE(Exists(out + "/empty"));
  EXPECT_FALSE(Exists(out + "/sub/skip.bin"));
}

TEST_F(FileNameRun, OverwriteOption) {
  WriteBytes(src + "/a.txt", "new");
  WriteBytes(out + "/b.txt", "old");
  Run(Rows({{"a", "b"}}), Opt(false, false, false));
  EXPECT_EQ(ReadBytes(out + "/b.txt"), "old");
  ASSERT_EQ(sink.outcomes.size(), 1u);
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Exists);
  EXPECT_EQ(sink.events.back(), "finished");  // a refused copy does not end the run

  sink = RecordingSink();
  Run(Rows({{"a", "b"}}), Opt(false, false, true));
  EXPECT_EQ(ReadBytes(out + "/b.txt"), "new");
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Copied);
}

TEST_F(FileNameRun, ProgressProtocol) {
  for (int i = 0; i < 3; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "x");
  Run(Rows({{"f", "g"}}), Opt(false, false));
  const std::vector<std::string> expected = {std::string("src:") + texts::kNameSrcLabel + src + "/f0.txt",
                                             std::string("dst:") + texts::kNameDstLabel + out + "/g0.txt",
                                             "pct:0",
                                             std::string("src:") + texts::kNameSrcLabel + src + "/f1.txt",
                                             std::string("dst:") + texts::kNameDstLabel + out + "/g1.txt",
                                             "pct:33",
                                             std::string("src:") + texts::kNameSrcLabel + src + "/f2.txt",
                                             std::string("dst:") + texts::kNameDstLabel + out + "/g2.txt",
                                             "pct:66",
                                             "src:",
                                             "dst:",
                                             "pct:-1",
                                             "finished"};
  if ((src + "/f0.txt").size() <= 55 && (out + "/g0.txt").size() <= 55) {
    EXPECT_EQ(sink.events, expected);
  } else {
    EXPECT_EQ(sink.Percents(), (std::vector<std::string>{"pct:0", "pct:33", "pct:66", "pct:-1"}));
  }
  EXPECT_STREQ(texts::kNameSrcLabel, "変換元ファイル： ");
  EXPECT_STREQ(texts::kNameDstLabel, "変換先ファイル： ");
}

TEST_F(FileNameRun, LongPathsAreShortenedInLabels) {
  const std::string longName(80, 'L');
  WriteBytes(src + "/" + longName + ".txt", "x");
  Run({}, Opt(false, false));
  ASSERT_GE(sink.events.size(), 2u);
  const std::string prefix = std::string("src:") + texts::kNameSrcLabel;
  ASSERT_EQ(sink.events[0].rfind(prefix, 0), 0u);
  const std::string shown = sink.events[0].substr(prefix.size());
  EXPECT_EQ(shown.size(), 60u);
  EXPECT_NE(shown.find(" ... "), std::string::npos);
  EXPECT_EQ(ReadBytes(out + "/" + longName + ".txt"), "x");
}

TEST_F(FileNameRun, NoFilesEndsAtOnce) {
  std::filesystem::create_directories(src);
  EXPECT_EQ(Run(Rows({{"a", "b"}}), Opt(false, false)), RunEnd::Completed);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"src:", "dst:", "pct:-1", "finished"}));
}

TEST_F(FileNameRun, StopFlagClearedDuringAFileEndsTheRunQuietly) {
  for (int i = 0; i < 5; ++i) WriteBytes(src + "/f" + std::to_string(i) + ".txt", "x");
  // Cleared while file 1 is being copied: file 1 completes, nothing later.
  sink.onFileDone = [this](const FileOutcome& o) {
    if (o.index == 1) running = 0;
  };
  EXPECT_EQ(Run({}, Opt(false, false)), RunEnd::Stopped);
  EXPECT_TRUE(Exists(out + "/f1.txt"));
  EXPECT_FALSE(Exists(out + "/f2.txt"));
  EXPECT_EQ(sink.outcomes.size(), 2u);
  EXPECT_EQ(sink.events.size(), 6u);  // three calls per started file, no end-of-run calls
  EXPECT_NE(sink.events.back(), "finished");
}

TEST_F(FileNameRun, StopFlagClearedWhileRowsAreReadStopsBeforeThatFile) {
  for (int i = 0; i < 4; ++i) WriteBytes(src + "/d" + std::to_string(i) + "/f.txt", "x");
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(src, "*.*", true, files, {}));
  FileNameEngine engine(files, src, out, Opt(false, false));
  CountingRows rows({});
  rows.onGetRows = [this](int call) {
    if (call == 3) running = 0;
  };
  running = 1;
  EXPECT_EQ(engine.Run(rows, sink, errors, running), RunEnd::Stopped);
  EXPECT_TRUE(Exists(out + "/d1/f.txt"));
  // The folder of the stopped file may exist, its file does not.
  EXPECT_FALSE(Exists(out + "/d2/f.txt"));
  EXPECT_FALSE(Exists(out + "/d3"));
  EXPECT_EQ(sink.events.size(), 6u);
}

TEST_F(FileNameRun, OutputInsideSourceIsNeverCollected) {
  WriteBytes(src + "/a.txt", "a");
  WriteBytes(src + "/s/b.txt", "b");
  Run(Rows({{"a", "c"}}), Opt(false, false), true, "*.*", src + "/out");
  EXPECT_EQ(ReadBytes(src + "/out/c.txt"), "a");
  EXPECT_EQ(ReadBytes(src + "/out/s/b.txt"), "b");
  EXPECT_EQ(sink.outcomes.size(), 2u);
  EXPECT_FALSE(Exists(src + "/out/out"));
}

// Each failed copy reaches the error sink, named by the path whose step
// failed, and the run goes on.
TEST_F(FileNameRun, FailedCopiesAreReportedByTheirPathAndTheRunGoesOn) {
  WriteBytes(src + "/a.txt", "a");
  WriteBytes(src + "/b.txt", "b");
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(src, "*.*", true, files, {}));
  std::filesystem::remove(src + "/a.txt");  // deleted after the walk
  FileNameEngine engine(files, src, out, Opt(false, false));
  FixedRowSource rows({});
  running = 1;
  EXPECT_EQ(engine.Run(rows, sink, errors, running), RunEnd::Completed);
  ASSERT_EQ(sink.outcomes.size(), 2u);
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Failed);
  EXPECT_EQ(errors.messages,
            std::vector<std::string>{src + "/a.txt: 開けませんでした (No such file or directory)"});
  EXPECT_EQ(ReadBytes(out + "/b.txt"), "b");

  // An output folder that is a file fails every copy (the run ended silently).
  errors.messages.clear();
  WriteBytes(tmp / "plain", "a file");
  WriteBytes(src + "/c.txt", "c");
  FileNameEngine intoFile({src + "/b.txt", src + "/c.txt"}, src, tmp / "plain", Opt(false, false));
  running = 1;
  EXPECT_EQ(intoFile.Run(rows, sink, errors, running), RunEnd::Completed);
  EXPECT_EQ(errors.messages, (std::vector<std::string>{tmp / "plain/b.txt: ﾊﾟｽが誤っています",
                                                       tmp / "plain/c.txt: ﾊﾟｽが誤っています"}));
}

TEST_F(FileNameRun, ConvertedNamesNeverLeaveTheOutputFolder) {
  WriteBytes(src + "/evil.txt", "e");
  WriteBytes(src + "/sub.txt", "s");
  WriteBytes(src + "/long.txt", "l");
  WriteBytes(src + "/dot.txt", "d");
  std::filesystem::create_directories(out + "/into");
  // "../escaped" would land beside the output folder, still inside the temporary folder.
  Run(Rows({{"evil", "../escaped"}, {"sub", "into/sub"}, {"long", std::string(300, 'n')}}),
      Opt(false, false));
  EXPECT_FALSE(Exists(tmp / "escaped.txt"));
  // A separator in the name reaches an existing subfolder; none is created for it.
  EXPECT_EQ(ReadBytes(out + "/into/sub.txt"), "s");
  ASSERT_EQ(sink.outcomes.size(), 4u);
  int failed = 0;
  for (const auto& o : sink.outcomes) failed += o.action == FileAction::Failed;
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(sink.events.back(), "finished");

  TempDir other;
  Run(Rows({{"sub", "nofolder/sub"}}), Opt(false, false), true, "sub.*", other.path());
  EXPECT_FALSE(Exists(other / "nofolder"));
  EXPECT_EQ(sink.outcomes.back().action, FileAction::Failed);
}

TEST_F(FileNameRun, WholeNameBecomingADotNameIsRefused) {
  WriteBytes(src + "/x", "x");  // no extension
  Run(Rows({{"x", ".."}}), Opt(false, true));
  ASSERT_EQ(sink.outcomes.size(), 1u);
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Failed);
  EXPECT_FALSE(Exists(tmp / "x"));
}

TEST_F(FileNameRun, OutputEqualToSourceNeverHarmsTheSource) {
  WriteBytes(src + "/same.txt", "keep me");
  Run({}, Opt(false, false, true), true, "*.*", src);
  EXPECT_EQ(ReadBytes(src + "/same.txt"), "keep me");
  Run({}, Opt(false, false, false), true, "*.*", src);
  EXPECT_EQ(ReadBytes(src + "/same.txt"), "keep me");
}

TEST_F(FileNameRun, DryRunWritesNothingButReportsThePlan) {
  WriteBytes(src + "/a.txt", "a");
  WriteBytes(src + "/s/b.txt", "b");
  WriteBytes(out + "/B.txt", "old");
  FileNameRunOptions opt = Opt(false, false);
  opt.dryRun = true;
  const auto before = zvtest::Snapshot(tmp.path());
  Run(Rows({{"b", "B"}}), opt);
  EXPECT_EQ(zvtest::Snapshot(tmp.path()), before);
  ASSERT_EQ(sink.outcomes.size(), 2u);
  EXPECT_EQ(sink.outcomes[0].action, FileAction::Copied);
  EXPECT_EQ(sink.outcomes[0].dst, out + "/a.txt");
  EXPECT_EQ(sink.outcomes[1].dst, out + "/s/B.txt");
  EXPECT_EQ(sink.outcomes[1].replacements, 1u);
}

TEST_F(FileNameRun, Cp932SourceFolderEndingInSo) {
  SetActiveCodePage(CodePage::Cp932);
  const std::string so = "\x83\x5c";
  src = tmp / ("in" + so);
  WriteBytes(src + "/sub" + so + "/a" + so + ".txt", "j");
  Run(Rows({{so, "x"}}), Opt(false, false));
  EXPECT_EQ(ReadBytes(out + "/sub" + so + "/ax.txt"), "j");
}

TEST_F(FileNameRun, EmptyEntriesArePassedOver) {
  WriteBytes(src + "/a.txt", "a");
  FileNameEngine engine({"", src + "/a.txt"}, src, out, Opt(false, false));
  FixedRowSource rows({});
  running = 1;
  EXPECT_EQ(engine.Run(rows, sink, errors, running), RunEnd::Completed);
  ASSERT_EQ(sink.outcomes.size(), 1u);
  EXPECT_EQ(sink.outcomes[0].index, 1u);
  EXPECT_EQ(sink.Percents(), (std::vector<std::string>{"pct:50", "pct:-1"}));
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

std::string Sjis(const std::string& utf8) { return *ConvertCodePage(utf8, CodePage::Utf8, CodePage::Cp932); }
std::string InSession(const std::string& utf8) { return *FromUtf8(utf8, ActiveCodePage()); }

// Both sessions, one tree of UTF-8 and legacy CP932 names: each name meets the
// rows (and the pattern) in its own encoding and keeps that encoding.
TEST_F(FileNameRun, EachNameMeetsTheListInItsOwnEncoding) {
  for (CodePage session : {CodePage::Cp932, CodePage::Utf8}) {
    SCOPED_TRACE(static_cast<int>(session));
    SetActiveCodePage(session);
    TempDir dir;
    src = dir / "src";
    out = dir / "out";
    sink = RecordingSink();
    WriteBytes(src + "/報告書_株式会社.txt", "u");
    WriteBytes(src + "/" + Sjis("報告書_株式会社") + ".txt", "s");
    WriteBytes(src + "/" + Sjis("ＡＢＣ株式会社") + ".txt", "w");
    WriteBytes(src + "/memo.txt", "m");
    ConvertRows rows = Rows({{InSession("株式会社"), InSession("(株)")}, {InSession("ａｂｃ"), "x"}});
    if (session == CodePage::Utf8) rows.push_back({"\xF0\x9F\x8D\xA3", "sushi"});  // no CP932 form

    Run(rows, Opt(true, false), true, InSession("*株式*"));
    EXPECT_EQ(ReadBytes(out + "/報告書_(株).txt"), "u");
    EXPECT_EQ(ReadBytes(out + "/" + Sjis("報告書_(株)") + ".txt"), "s");
    EXPECT_EQ(ReadBytes(out + "/" + Sjis("x(株)") + ".txt"), "w");  // full-width case folding in CP932
    EXPECT_FALSE(Exists(out + "/memo.txt"));
    EXPECT_EQ(zvtest::Snapshot(out).size(), 3u);
    // A row that CP932 names cannot meet is said once per run.
    std::size_t notices = 0;
    for (const auto& e : sink.events) notices += e.rfind("notice:", 0) == 0;
    EXPECT_EQ(notices, session == CodePage::Utf8 ? 1u : 0u);
  }
}

}  // namespace
}  // namespace zv
