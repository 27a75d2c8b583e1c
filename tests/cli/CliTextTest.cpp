// The single-file tool from the command line.

#include <string>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

class CliTextTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    Write("list.csv", "foo,baz\r\n");
  }
};

TEST_F(CliTextTest, WritesToStandardOutputByTheSingleFileConventions) {
  // Untranslated read: CR LF and LF both end lines, 0x1A is an ordinary byte,
  // every line comes out with CR LF.
  Write("in.txt", "foo\nbar\r\nfoo\x1A");
  RunResult r = Run({"text", "--list", "list.csv", "in.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "baz\r\nbar\r\nbaz\x1A\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Read("in.txt"), "foo\nbar\r\nfoo\x1A");
}

TEST_F(CliTextTest, OutputFileAndLineBreakRemoval) {
  Write("in.txt", "a\r\nfoo\nc\rd");
  RunResult r = Run({"text", "--list", "list.csv", "--remove-line-breaks", "-o", "out.txt", "in.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Read("out.txt"), "abazc\rd");

  // Without the option the output keeps its CR LF line ends; an existing file is replaced.
  ASSERT_EQ(Run({"text", "--list", "list.csv", "-o", "out.txt", "in.txt"}).status, 0);
  EXPECT_EQ(Read("out.txt"), "a\r\nbaz\r\nc\rd\r\n");

  // The output may be the input itself.
  ASSERT_EQ(Run({"text", "--list", "list.csv", "-o", "in.txt", "in.txt"}).status, 0);
  EXPECT_EQ(Read("in.txt"), "a\r\nbaz\r\nc\rd\r\n");
}

TEST_F(CliTextTest, UnwritableOutputGivesStatusOneAndTheFileErrorMessage) {
  Write("in.txt", "foo");
  MakeDir("outdir");
  RunResult dir = Run({"text", "--list", "list.csv", "-o", "outdir", "in.txt"});
  EXPECT_EQ(dir.status, 1);
  EXPECT_EQ(dir.err, "outdir: ﾌｧｲﾙｱｸｾｽ禁止です\n");
  EXPECT_EQ(dir.out, "");

  RunResult missing = Run({"text", "--list", "list.csv", "-o", "nowhere/out.txt", "in.txt"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "nowhere/out.txt: ﾊﾟｽが誤っています\n");
  EXPECT_FALSE(Exists("nowhere"));
}

TEST_F(CliTextTest, FullStandardOutputIsAFailure) {
  Write("in.txt", "foo");
  m_stdoutFile = "/dev/full";
  RunResult r = Run({"text", "--list", "list.csv", "in.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "標準出力: 書き込みに失敗しました\n");
}

TEST_F(CliTextTest, MissingOrFolderInputIsBadInput) {
  RunResult missing = Run({"text", "--list", "list.csv", "nothere.txt"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "nothere.txt: ファイルが見つかりません\n");

  MakeDir("folder");
  RunResult folder = Run({"text", "--list", "list.csv", "folder"});
  EXPECT_EQ(folder.status, 2);
  EXPECT_EQ(folder.err, "folder: ファイルではありません\n");
}

TEST_F(CliTextTest, DryRunAndReport) {
  Write("in.txt", "foo foo\n");
  RunResult dry =
      Run({"text", "--list", "list.csv", "--dry-run", "-o", "out.txt", "--report", "r.csv", "in.txt"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out, "convert in.txt -> out.txt (UTF-8)\n");
  EXPECT_FALSE(Exists("out.txt"));
  EXPECT_EQ(Read("r.csv"), "source,destination,action,replacements,error,encoding\nin.txt,out.txt,converted,2,,UTF-8\n");

  RunResult toStdout = Run({"text", "--list", "list.csv", "--report", "r2.csv", "in.txt"});
  EXPECT_EQ(toStdout.out, "baz baz\r\n");
  EXPECT_EQ(Read("r2.csv"), "source,destination,action,replacements,error,encoding\nin.txt,-,converted,2,,UTF-8\n");
}

}  // namespace
}  // namespace zv::clitest
