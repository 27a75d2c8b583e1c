// The folder text tool from the command line.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <string>

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
            "source,destination,action,replacements,error\n"
            "src/a.txt,out/a.txt,converted,1,\n"
            "src/pics/x.jpg,out/pics/x.jpg,skipped,0,\n");
}

TEST_F(CliFolderTextTest, DefaultExtensionListComesFromTheConfigFolder) {
  Write("src/x.jpg", "foo");

  ASSERT_EQ(Run({"folder-text", "--list", "list.csv", "src", "nolist"}).status, 0);
  EXPECT_EQ(Read("nolist/x.jpg"), "bar\r\n") << "without a list every file is text";

  Write("config/ZentravolixExpList", "JPG\r\n");
  ASSERT_EQ(Run({"folder-text", "--list", "list.csv", "src", "withlist"}).status, 0);
  EXPECT_EQ(Read("withlist/x.jpg"), "foo");

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
            "source,destination,action,replacements,error\n"
            "src/a.txt,out/a.txt,converted,1,\n"
            "src/p.jpg,out/p.jpg,exists,0,\n");

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

TEST_F(CliFolderTextTest, UnwritableOutputEndsTheRunWithStatusOne) {
  Write("src/a.txt", "foo");
  Write("src/b.txt", "foo");
  Write("src/c.txt", "foo");
  MakeDir("out/b.txt");  // a folder where the output file must go

  RunResult r = Run({"folder-text", "--list", "list.csv", "--report", "r.csv", "src", "out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "out/b.txt: ﾌｧｲﾙｱｸｾｽ禁止です\n");
  EXPECT_EQ(Read("out/a.txt"), "bar\r\n");
  EXPECT_FALSE(Exists("out/c.txt")) << "the run stops at the failing file";
  EXPECT_EQ(Read("r.csv"),
            "source,destination,action,replacements,error\n"
            "src/a.txt,out/a.txt,converted,1,\n"
            "src/b.txt,out/b.txt,failed,1,out/b.txt: ﾌｧｲﾙｱｸｾｽ禁止です\n"
            "src/c.txt,,skipped,0,処理されませんでした\n");
}

TEST_F(CliFolderTextTest, UnreadableExtensionListIsReportedOnceAndEveryFileIsText) {
  Write("src/a.jpg", "foo");
  Write("src/b.jpg", "foo");
  MakeDir("config/ZentravolixExpList");  // exists, cannot be read as a file

  RunResult r = Run({"folder-text", "--list", "list.csv", "src", "out"});
  EXPECT_EQ(Files("out"), (FileMap{{"a.jpg", "bar\r\n"}, {"b.jpg", "bar\r\n"}}));
  EXPECT_EQ(r.err, Abs("config/ZentravolixExpList") + ": ﾌｧｲﾙｱｸｾｽ禁止です\n");
}

TEST_F(CliFolderTextTest, InterruptStopsAfterTheFileUnderWay) {
  Write("src/a.txt", "foo");
  Write("src/b.txt", "foo");
  Write("src/c.txt", "foo");
  // The extension list is read for every file; as a FIFO whose write end the
  // test holds open, it keeps the run inside the first file until the test
  // has sent the interrupt.
  ASSERT_EQ(mkfifo(Abs("exts.fifo").c_str(), 0600), 0);
  const int fifo = open(Abs("exts.fifo").c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(fifo, 0);
  Running run = Start(
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts.fifo", "--report", "r.csv", "src", "out"});
  EXPECT_TRUE(WaitUntilOpen(run, "exts.fifo")) << "the program never opened the extension list";
  kill(run.pid, SIGINT);
  EXPECT_EQ(write(fifo, "jpg\n", 4), 4);
  close(fifo);

  RunResult r = Finish(run);
  EXPECT_EQ(r.status, 130);
  EXPECT_EQ(r.err, "中断しました。処理中のファイルで停止しました。\n");
  EXPECT_EQ(Files("out"), (FileMap{{"a.txt", "bar\r\n"}}));
  EXPECT_EQ(Read("r.csv"),
            "source,destination,action,replacements,error\n"
            "src/a.txt,out/a.txt,converted,1,\n"
            "src/b.txt,,skipped,0,処理されませんでした\n"
            "src/c.txt,,skipped,0,処理されませんでした\n");
}

}  // namespace
}  // namespace zv::clitest
