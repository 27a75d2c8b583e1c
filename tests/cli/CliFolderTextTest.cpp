// The folder text tool from the command line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

using FileMap = std::map<std::string, std::string>;

class CliFolderTextTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    Write("list.csv", "foo,bar\r\n");
    Write("exts", "jpg\r\ngz\r\n");
  }
};

TEST_F(CliFolderTextTest, ConvertsTextFilesAndCopiesBinaryOnesUnchanged) {
  Write("src/a.txt", "foo\nfoo");
  Write("src/b.md", "x\r\nfoo\x1Atail foo");
  Write("src/PHOTO.JPG", std::string("\xff\xd8", 2) + "foo\n");
  Write("src/noext", "foo");
  Write("src/sub/c.txt", "lone\rfoo\r\n");
  Write("src/sub/archive.tar.gz", "foo");
  const auto before = Tree("src");

  RunResult r = Run({"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "src", "out"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Text mode: CR LF in, LF out as CR LF, 0x1A ends the file, lone CR stays.
  EXPECT_EQ(Files("out"), (FileMap{{"a.txt", "bar\r\nbar\r\n"},
                                   {"b.md", "x\r\nbar\r\n"},
                                   {"PHOTO.JPG", std::string("\xff\xd8", 2) + "foo\n"},
                                   {"noext", "bar\r\n"},
                                   {"sub/c.txt", "lone\rbar\r\n"},
                                   {"sub/archive.tar.gz", "foo"}}));
  EXPECT_EQ(Tree("src"), before);
}

TEST_F(CliFolderTextTest, SkipBinaryLeavesThemOutButStillMirrorsTheirFolder) {
  Write("src/a.txt", "foo");
  Write("src/pics/x.jpg", "foo");

  RunResult r = Run({"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--skip-binary",
                     "--report", "rep.csv", "src", "out"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Tree("out"), (std::map<std::string, std::string>{{"a.txt", "file:bar\r\n"}, {"pics", "dir"}}));
  EXPECT_EQ(Read("rep.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/a.txt,out/a.txt,converted,1,,UTF-8\n"
            "src/pics/x.jpg,out/pics/x.jpg,skipped,0,,\n");
}

TEST_F(CliFolderTextTest, DefaultExtensionListComesFromTheConfigFolder) {
  Write("src/x.jpg", "foo");

  ASSERT_EQ(Run({"folder-text", "--list", "list.csv", "src", "nolist"}).status, 0);
  EXPECT_EQ(Read("nolist/x.jpg"), "foo") << "without a list file the built-in list is in force";

  Write("config/ZentravolixExpList", "TXT\r\n");
  ASSERT_EQ(Run({"folder-text", "--list", "list.csv", "src", "withlist"}).status, 0);
  EXPECT_EQ(Read("withlist/x.jpg"), "bar\r\n");

  // An explicit list wins over the config folder's.
  Write("only-gz", "gz\n");
  ASSERT_EQ(Run({"folder-text", "--list", "list.csv", "--binary-ext", "only-gz", "src", "explicit"}).status,
            0);
  EXPECT_EQ(Read("explicit/x.jpg"), "bar\r\n");
}

TEST_F(CliFolderTextTest, OverwriteGovernsBinaryCopiesOnly) {
  Write("src/a.txt", "foo");
  Write("src/p.jpg", "new");
  Write("out/a.txt", "old");
  Write("out/p.jpg", "old");

  RunResult kept =
      Run({"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--report", "r.csv", "src", "out"});
  EXPECT_EQ(kept.status, 0) << kept.err;
  EXPECT_EQ(Files("out"), (FileMap{{"a.txt", "bar\r\n"}, {"p.jpg", "old"}}));
  EXPECT_EQ(Read("r.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/a.txt,out/a.txt,converted,1,,UTF-8\n"
            "src/p.jpg,out/p.jpg,exists,0,,\n");

  RunResult replaced =
      Run({"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--overwrite", "src", "out"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(Files("out"), (FileMap{{"a.txt", "bar\r\n"}, {"p.jpg", "new"}}));
}

TEST_F(CliFolderTextTest, OutputEqualToSourceConvertsTextInPlace) {
  Write("src/a.txt", "foo foo\n");
  Write("src/sub/b.txt", "foo");
  Write("src/p.jpg", "foo");

  RunResult r = Run(
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--overwrite", "src", "src"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files("src"), (FileMap{{"a.txt", "bar bar\r\n"}, {"sub/b.txt", "bar\r\n"}, {"p.jpg", "foo"}}));
}

TEST_F(CliFolderTextTest, UnwritableOutputFailsThatFileAndTheRunGoesOn) {
  Write("src/a.txt", "foo");
  Write("src/b.txt", "foo");
  Write("src/c.txt", "foo");
  MakeDir("out/b.txt");  // a folder where the output file must go

  RunResult r = Run({"folder-text", "--list", "list.csv", "--report", "r.csv", "src", "out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "out/b.txt: ﾌｧｲﾙｱｸｾｽ禁止です\n");
  EXPECT_EQ(Read("out/a.txt"), "bar\r\n");
  EXPECT_EQ(Read("out/c.txt"), "bar\r\n");
  EXPECT_EQ(Read("r.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/a.txt,out/a.txt,converted,1,,UTF-8\n"
            "src/b.txt,out/b.txt,failed,1,out/b.txt: ﾌｧｲﾙｱｸｾｽ禁止です,UTF-8\n"
            "src/c.txt,out/c.txt,converted,1,,UTF-8\n");
}

// A list that cannot be read is bad input, said before anything is written.
TEST_F(CliFolderTextTest, ExtensionListThatCannotBeReadStopsTheRunBeforeItBegins) {
  Write("src/a.jpg", "foo");
  Write("big", std::string((1 << 20) + 1, 'x'));
  ASSERT_EQ(mkfifo(Abs("fifo").c_str(), 0600), 0);
  const struct {
    std::vector<std::string> option;
    std::string err;
  } cases[] = {
      {{}, Abs("config/ZentravolixExpList") + ": ファイルではありません\n"},  // a folder there
      {{"--binary-ext", "big"}, "big: ﾌｧｲﾙが大きすぎます\n"},
      {{"--binary-ext", "fifo"}, "fifo: 通常のﾌｧｲﾙではありません\n"},
      {{"--binary-ext", "/dev/zero"}, "/dev/zero: 通常のﾌｧｲﾙではありません\n"},
  };
  MakeDir("config/ZentravolixExpList");
  for (const auto& c : cases) {
    std::vector<std::string> args = {"folder-text", "--list", "list.csv"};
    args.insert(args.end(), c.option.begin(), c.option.end());
    args.insert(args.end(), {"src", "out"});
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 2) << c.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_FALSE(Exists("out"));
  }
}

TEST_F(CliFolderTextTest, InterruptStopsAfterTheFileUnderWay) {
  // A dry run prints a long line for each file; standard output, not read
  // yet, fills and holds the run inside a file until the test has sent the
  // interrupt.
  constexpr int kFiles = 400;
  const std::string stem(200, 'f');
  for (int i = 0; i < kFiles; ++i) Write("src/" + stem + std::to_string(1000 + i) + ".txt", "foo");
  for (const char* sig : {"INT", "TERM", "HUP"}) {
    SCOPED_TRACE(sig);
    Running run =
        Start({"folder-text", "--list", "list.csv", "--dry-run", "--report", "r.csv", "src", "out"});
    ASSERT_TRUE(WaitUntilStdoutFull(run)) << "the plan never filled standard output";
    const int number = std::string(sig) == "INT" ? SIGINT : std::string(sig) == "TERM" ? SIGTERM : SIGHUP;
    kill(run.pid, number);
    ASSERT_TRUE(WaitUntilSignalTaken(run));

    RunResult r = Finish(run);
    EXPECT_EQ(r.status, 128 + number);
    EXPECT_EQ(r.err, "中断しました。処理中のファイルで停止しました。\n");
    // The files planned form the start of the list; the rest were never reached.
    ExpectStoppedPlan(r.out, Read("r.csv"), kFiles);
  }
}

// ｿﾌﾄ / ソフト in EUC-JP, and 株式 in CP932.
const std::string kEucSoft = "\xa5\xbd\xa5\xd5\xa5\xc8";
const std::string kSjisKabushiki = "\x8a\x94\x8e\xae";

// --encoding auto reads each file in its own encoding and writes it back in
// it; the report and the dry run name the encoding; a file that fits none is
// copied unchanged, said on stderr, and makes the status 1.
TEST_F(CliFolderTextTest, AutoConvertsEachFileInItsOwnEncodingAndSaysWhichItWas) {
  Write("list.csv", "ソフト,ｿﾌﾄ\r\n株式,(株)\r\n");
  Write("src/euc.txt", kEucSoft + "\n");
  Write("src/sjis.txt", kSjisKabushiki +
                            "\r\n\x1A"
                            "after");
  Write("src/junk.txt", "\x80\xFF junk");

  RunResult r = Run({"folder-text", "--list", "list.csv", "--encoding", "auto", "--keep-line-ends",
                     "--report", "r.csv", "src", "out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "src/junk.txt: 文字コードを判別できません\n");
  EXPECT_EQ(Read("out/euc.txt"), "\x8e\xbf\x8e\xcc\x8e\xc4\n");  // ｿﾌﾄ in EUC-JP
  EXPECT_EQ(Read("out/sjis.txt"),
            "(\x8a\x94)\r\n\x1A"
            "after");
  EXPECT_EQ(Read("out/junk.txt"), "\x80\xFF junk");
  EXPECT_EQ(Read("r.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/euc.txt,out/euc.txt,converted,1,,EUC-JP\n"
            "src/junk.txt,out/junk.txt,copied,0,src/junk.txt: 文字コードを判別できません,\n"
            "src/sjis.txt,out/sjis.txt,converted,1,,Shift_JIS\n");

  RunResult dry = Run({"text", "--list", "list.csv", "--encoding", "auto", "--dry-run", "src/euc.txt"});
  EXPECT_EQ(dry.out, "convert src/euc.txt -> - (EUC-JP)\n");
}

}  // namespace
}  // namespace zv::clitest
