// What all commands share: usage, bad input, dry runs, reports, code pages
// and the progress bar.

#include <map>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

using FileMap = std::map<std::string, std::string>;

class CliGeneralTest : public CliTest {};

TEST_F(CliGeneralTest, VersionAndHelpDocumentEveryOptionWithAnExample) {
  RunResult version = Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "zentravolix-cli 1.0.1\n");

  RunResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  const std::vector<std::string> lines = Lines(help.out);
  for (const char* option :
       {"--list", "--pattern", "--subdir", "--nocase", "--whole-name", "--overwrite", "--skip-binary",
        "--binary-ext", "--remove-line-breaks", "-o,--output", "--codepage", "--dry-run", "--report",
        "--quiet", "--version", "SRC", "DST", "FILE"}) {
    bool found = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find("  " + std::string(option) + " ") == std::string::npos) continue;
      found = true;
      // Long option names push the description to the next line.
      const std::string text = lines[i] + (i + 1 < lines.size() ? lines[i + 1] : "");
      EXPECT_NE(text.find("例:"), std::string::npos) << lines[i];
    }
    EXPECT_TRUE(found) << option << " is not documented";
  }
  for (const char* example : {"zentravolix-cli names --list", "zentravolix-cli folder-text --list",
                              "zentravolix-cli text --list"}) {
    EXPECT_NE(help.out.find(example), std::string::npos) << example;
  }

  RunResult sub = Run({"text", "--help"});
  EXPECT_EQ(sub.status, 0);
  EXPECT_NE(sub.out.find("--remove-line-breaks"), std::string::npos);
  EXPECT_EQ(sub.out.find("--nocase"), std::string::npos) << "a subcommand shows its own options";
}

TEST_F(CliGeneralTest, UsageErrorsGiveStatusTwoAndWriteNothing) {
  Write("l.csv", "a,b\n");
  Write("src/a.txt", "a");
  Write("in.txt", "a");
  const auto before = Tree("");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"bogus"},
      {"names"},
      {"names", "--list"},
      {"names", "--list", "l.csv", "src"},
      {"names", "--list", "l.csv", "--frobnicate", "src", "out"},
      {"names", "--list", "l.csv", "src", "out", "extra"},
      {"text", "--list", "l.csv", "--codepage", "1252", "in.txt"},
      {"text", "--list", "l.csv", "--nocase", "in.txt"},
      {"folder-text", "--list", "l.csv", "--whole-name", "src", "out"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.err.rfind("コマンドラインが正しくありません: ", 0), 0u) << shown << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
  EXPECT_EQ(Tree(""), before);
}

TEST_F(CliGeneralTest, BadInputGivesStatusTwoWithThePathFirst) {
  Write("list.csv", "a,b\n");
  Write("norows.csv", "abc,\n,def\nno comma\n\"abc\",def\n");
  Write("src/a.txt", "a");
  Write("file.txt", "x");
  MakeDir("listdir");
  const auto before = Tree("");
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"names", "--list", "missing.csv", "src", "out"},
       "missing.csv: 変換リストのファイルが見つかりません\n"},
      {{"names", "--list", "norows.csv", "src", "out"}, "norows.csv: 変換リストに使える行がありません\n"},
      {{"text", "--list", "", "file.txt"}, ": 変換リストのファイルが見つかりません\n"},
      {{"names", "--list", "list.csv", "nosrc", "out"}, "nosrc: 指定されたパスが見つかりません。\n"},
      {{"folder-text", "--list", "list.csv", "file.txt", "out"},
       "file.txt: 指定されたパスが見つかりません。\n"},
      {{"names", "--list", "list.csv", "", "out"}, "変換元のﾌｫﾙﾀﾞを指定してください。\n"},
      {{"folder-text", "--list", "list.csv", "src", ""}, "出力先のﾌｫﾙﾀﾞを指定してください。\n"},
      {{"names", "--list", "list.csv", "src", "file.txt"}, "file.txt: 出力先がﾌｫﾙﾀﾞではありません\n"},
      {{"folder-text", "--list", "list.csv", "--binary-ext", "nothere", "src", "out"},
       "nothere: 拡張子リストのファイルが見つかりません\n"},
      {{"folder-text", "--list", "list.csv", "--binary-ext", "listdir", "src", "out"},
       "listdir: ファイルではありません\n"},
  };
  for (const Case& c : cases) {
    RunResult r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.err;
    EXPECT_EQ(r.err, c.err);
  }
  RunResult dirList = Run({"names", "--list", "listdir", "src", "out"});
  EXPECT_EQ(dirList.status, 2);
  EXPECT_EQ(dirList.err.rfind("listdir: ", 0), 0u) << dirList.err;
  EXPECT_EQ(Tree(""), before) << "nothing is written on bad input";
}

TEST_F(CliGeneralTest, DryRunPrintsThePlanAndWritesNothing) {
  Write("list.csv", "report,summary\nfoo,bar\n");
  Write("exts", "jpg\n");
  Write("src/a.txt", "foo");
  Write("src/report.txt", "r");
  Write("src/p.jpg", "p");
  Write("src/sub/b.txt", "b");
  Write("out/summary.txt", "old");
  Write("out/p.jpg", "old");
  const auto before = Tree("");

  RunResult names = Run({"names", "--list", "list.csv", "--subdir", "--dry-run", "src", "out"});
  EXPECT_EQ(names.status, 0) << names.err;
  EXPECT_EQ(names.out,
            "copy src/a.txt -> out/a.txt\n"
            "skip src/p.jpg\n"
            "skip src/report.txt\n"
            "copy src/sub/b.txt -> out/sub/b.txt\n"
            "変換 0、コピー 2、スキップ 0、既存 2、失敗 0、置換 1 件\n");

  RunResult text = Run(
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--dry-run", "src", "fresh"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out,
            "convert src/a.txt -> fresh/a.txt (UTF-8)\n"
            "copy src/p.jpg -> fresh/p.jpg\n"
            "convert src/report.txt -> fresh/report.txt (UTF-8)\n"
            "convert src/sub/b.txt -> fresh/sub/b.txt (UTF-8)\n"
            "変換 3、コピー 1、スキップ 0、既存 0、失敗 0、置換 1 件\n");

  RunResult skip = Run({"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--skip-binary",
                        "--dry-run", "src", "out"});
  EXPECT_EQ(skip.out,
            "convert src/a.txt -> out/a.txt (UTF-8)\n"
            "skip src/p.jpg\n"
            "convert src/report.txt -> out/report.txt (UTF-8)\n"
            "変換 2、コピー 0、スキップ 1、既存 0、失敗 0、置換 1 件\n");

  RunResult inPlace = Run({"folder-text", "--list", "list.csv", "--dry-run", "src", "src"});
  EXPECT_EQ(inPlace.status, 0);
  EXPECT_EQ(Tree(""), before);
}

TEST_F(CliGeneralTest, ReportHasOneQuotedRowPerFileInListOrder) {
  Write("list.csv", "a,b\n");
  Write("src/a,1.txt", "x");
  Write("src/q\"2.txt", "x");
  Write("src/line\nbreak.txt", "x");
  Write("src/plain.txt", "x");

  RunResult r = Run({"names", "--list", "list.csv", "--report", "rep.csv", "src", "out"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Read("rep.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "\"src/a,1.txt\",\"out/b,1.txt\",copied,1,,\n"
            "\"src/line\nbreak.txt\",\"out/line\nbrebk.txt\",copied,1,,\n"
            "src/plain.txt,out/plbin.txt,copied,1,,\n"
            "\"src/q\"\"2.txt\",\"out/q\"\"2.txt\",copied,0,,\n");
}

// Found out before the run, not after it has written everything.
TEST_F(CliGeneralTest, UnwritableReportIsBadInput) {
  Write("list.csv", "a,b\n");
  Write("src/a.txt", "x");
  MakeDir("rep.csv");
  RunResult r = Run({"names", "--list", "list.csv", "--report", "rep.csv", "src", "out"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "rep.csv: ﾌｧｲﾙｱｸｾｽ禁止です\n");
  EXPECT_FALSE(Exists("out"));
  RunResult text = Run({"text", "--list", "list.csv", "--report", "no/rep.csv", "src/a.txt"});
  EXPECT_EQ(text.status, 2);
  EXPECT_EQ(text.err, "no/rep.csv: ﾊﾟｽが誤っています\n");
  EXPECT_EQ(text.out, "");
}

TEST_F(CliGeneralTest, RowsThatCannotBeAddedAreReportedAndSkipped) {
  const std::string longFind(101, 'x');
  Write("list.csv", longFind + ",y\nfoo,bar\n");
  Write("in.txt", "foo " + longFind);
  RunResult r = Run({"text", "--list", "list.csv", "in.txt"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "bar " + longFind + "\r\n");
  EXPECT_EQ(r.err, "list.csv: 項目の追加に失敗しました。検索文字：" + longFind + "\n置換文字列：y\n");
}

// 株式会社 / (株) / です in CP932.
const std::string kSjisCompany = "\x8a\x94\x8e\xae\x89\xef\x8e\xd0";
const std::string kSjisKabu = "(\x8a\x94)";
const std::string kSjisDesu = "\x82\xc5\x82\xb7";

TEST_F(CliGeneralTest, ShiftJisListInAUtf8Session) {
  Write("list.csv", "\"" + kSjisCompany + "\",\"" + kSjisKabu + "\"\r\n");
  Write("in.txt", "株式会社です\n株式会社\n");
  Write("src/株式会社.txt", "株式会社");

  RunResult text = Run({"text", "--list", "list.csv", "in.txt"});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, "(株)です\r\n(株)\r\n");
  EXPECT_EQ(text.err, "list.csv: Shift-JIS (CP932) のリストを UTF-8 に変換して読み込みました\n");

  RunResult names =
      Run({"names", "--list", "list.csv", "src", "out"}, {{"ZENTRAVOLIX_CODEPAGE", std::nullopt}});
  EXPECT_EQ(names.status, 0) << "the locale gives UTF-8";
  EXPECT_EQ(Files("out"), (FileMap{{"(株).txt", "株式会社"}}));
  EXPECT_EQ(Lines(names.err).size(), 1u) << "said once: " << names.err;
}

TEST_F(CliGeneralTest, Utf8ListInA932Session) {
  Write("list.csv", "株式会社,(株)\r\n");
  Write("in.txt", kSjisCompany + kSjisDesu + "\n");
  Write("src/a.txt", kSjisCompany + "\r\n" + kSjisCompany);

  RunResult text = Run({"text", "--list", "list.csv", "--codepage", "932", "in.txt"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, kSjisKabu + kSjisDesu + "\r\n");
  EXPECT_EQ(text.err, "list.csv: UTF-8 のリストを Shift-JIS (CP932) に変換して読み込みました\n");

  // The environment chooses the code page the same way.
  RunResult folder =
      Run({"folder-text", "--list", "list.csv", "src", "out"}, {{"ZENTRAVOLIX_CODEPAGE", "932"}});
  EXPECT_EQ(folder.status, 0) << folder.err;
  EXPECT_EQ(Read("out/a.txt"), kSjisKabu + "\r\n" + kSjisKabu + "\r\n");
  EXPECT_EQ(folder.err, text.err);
}

// In both sessions, on a system of UTF-8 names with a legacy CP932 name among
// them: every command reads and writes names as the file system's bytes, and
// each name meets the list in its own encoding (the legacy name stays CP932).
TEST_F(CliGeneralTest, NamesAreTheFileSystemsBytesInEitherSession) {
  for (const char* session : {"932", "65001"}) {
    SCOPED_TRACE(session);
    const bool sjis = std::string(session) == "932";
    const std::string company = sjis ? kSjisCompany : "株式会社";
    const std::string kabu = sjis ? kSjisKabu : "(株)";
    const std::string dir = std::string("run") + session + "/";
    Write(dir + "変換リスト.csv", "\"" + company + "\",\"" + kabu + "\"\r\n");
    Write(dir + "元/報告書_株式会社.txt", company);
    Write(dir + "元/" + kSjisCompany + ".txt", "legacy");
    Write(dir + "元/memo.txt", "m");
    const Env env{{"ZENTRAVOLIX_CODEPAGE", session}};

    RunResult names = Run({"names", "--list", dir + "変換リスト.csv", "--pattern", "*株式*", "--report",
                           dir + "結果.csv", dir + "元", dir + "先"},
                          env);
    EXPECT_EQ(names.status, 0) << names.err;
    EXPECT_EQ(Files(dir + "先"), (FileMap{{"報告書_(株).txt", company}, {kSjisKabu + ".txt", "legacy"}}));
    EXPECT_NE(
        Read(dir + "結果.csv").find(dir + "元/報告書_株式会社.txt," + dir + "先/報告書_(株).txt,copied,1,,"),
        std::string::npos)
        << "paths are written as they stand";

    RunResult folder =
        Run({"folder-text", "--list", dir + "変換リスト.csv", dir + "元", dir + "テキスト"}, env);
    EXPECT_EQ(folder.status, 0) << folder.err;
    EXPECT_EQ(Read(dir + "テキスト/報告書_株式会社.txt"), kabu + "\r\n");

    RunResult text = Run({"text", "--list", dir + "変換リスト.csv", "-o", dir + "出力.txt",
                          dir + "元/" + kSjisCompany + ".txt"},
                         env);
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(Read(dir + "出力.txt"), "legacy\r\n");
  }
}

TEST_F(CliGeneralTest, MessagesOfA932SessionReachAUtf8TerminalAsUtf8) {
  // 51 double-byte characters: 102 CP932 bytes, one too many for a row.
  std::string longFind;
  for (int i = 0; i < 51; ++i) longFind += "あ";
  Write("list.csv", longFind + ",x\nfoo,bar\n");
  Write("in.txt", "foo");
  const std::string sjisFolder = "\x83\x5c";  // ソ, second byte 0x5C

  RunResult r =
      Run({"text", "--list", "list.csv", "--codepage", "932", "-o", sjisFolder + "/out.txt", "in.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(IsValidUtf8(r.err)) << r.err;
  EXPECT_EQ(r.err,
            "list.csv: UTF-8 のリストを Shift-JIS (CP932) に変換して読み込みました\n"
            "list.csv: 項目の追加に失敗しました。検索文字：" +
                longFind +
                "\n置換文字列：x\n"
                "ソ/out.txt: ﾊﾟｽが誤っています\n");
}

TEST_F(CliGeneralTest, ProgressBarOnlyOnATerminalAndNotWithQuiet) {
  Write("list.csv", "a,b\n");
  Write("src/a1.txt", "x");
  Write("src/a2.txt", "x");
  Write("src/a3.txt", "x");

  RunResult shown = RunOnTerminal({"names", "--list", "list.csv", "src", "out"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find("[--------------------] 0/3 変換元ファイル： src/a1.txt"), std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("[####################] 3/3"), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.substr(shown.out.size() - 4), "\r\x1b[K") << "the bar is cleared at the end";
  EXPECT_EQ(Files("out").size(), 3u);

  RunResult quiet = RunOnTerminal({"names", "--list", "list.csv", "--quiet", "--overwrite", "src", "out"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");

  RunResult piped = Run({"names", "--list", "list.csv", "--overwrite", "src", "out"});
  EXPECT_EQ(piped.err, "");
}

}  // namespace
}  // namespace zv::clitest

namespace zv::clitest {
namespace {

// The list check: a line per finding and status 1, or a word that all is
// well and status 0; --format csv for scripts.
TEST_F(CliGeneralTest, CheckGivesFindingsByLineOrCsvAndTheStatusSaysWhetherThereWereAny) {
  // The list we ship as an example is clean.
  RunResult good = Run({"check", "--list", ZV_EXAMPLE_LIST});
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(good.out, "変換リストに問題は見つかりませんでした\n");

  Write("bad.csv", "犬,猫\r\n猫,犬\r\n");
  RunResult bad = Run({"check", "--list", "bad.csv", "--format", "csv"});
  EXPECT_EQ(bad.status, 1);
  const std::vector<std::string> lines = Lines(bad.out);
  ASSERT_EQ(lines.size(), 3u) << bad.out;
  EXPECT_EQ(lines[0], "kind,rows,message");
  EXPECT_EQ(lines[1].substr(0, 9), "chain,1;2");
  EXPECT_EQ(lines[2].substr(0, 9), "cycle,1;2");
}

}  // namespace
}  // namespace zv::clitest
