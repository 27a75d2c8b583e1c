// The promises about sources, outputs, temporaries, hostile inputs and the
// terminal, once each through the command line.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

namespace fs = std::filesystem;
using FileMap = std::map<std::string, std::string>;

class CliHardeningTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    Write("ab.csv", "a,b\r\n");
  }
};

TEST_F(CliHardeningTest, NoRunWritesOverItsSourcesTwiceToOneOutputOrThroughALink) {
  // Output equal to the source: a.txt would become b.txt, itself a source.
  Write("same/a.txt", "A");
  Write("same/b.txt", "B");
  RunResult same = Run({"names", "--list", "ab.csv", "--overwrite", "same", "same"});
  EXPECT_EQ(same.status, 1);
  EXPECT_EQ(same.err,
            "same/b.txt: 変換元のファイルには書き込みません\n"
            "same/b.txt: 変換元のファイルには書き込みません\n");
  EXPECT_EQ(Files("same"), (FileMap{{"a.txt", "A"}, {"b.txt", "B"}}));

  // Output inside the source: allowed, but never over a file of the list.
  Write("in/s/a.txt", "a");
  Write("in/s/sub/a.txt", "keep");
  RunResult inside = Run({"folder-text", "--list", "ab.csv", "--subdir", "in/s", "in/s/sub"});
  EXPECT_EQ(inside.status, 1);
  EXPECT_EQ(inside.err, "in/s/sub/a.txt: 変換元のファイルには書き込みません\n");
  EXPECT_EQ(Files("in/s"), (FileMap{{"a.txt", "a"}, {"sub/a.txt", "keep"}, {"sub/sub/a.txt", "keep\r\n"}}));

  // Two names to one output: the second fails, naming both sources.
  Write("c.csv", "a1,c\r\na2,c\r\n");
  Write("two/a1.txt", "1");
  Write("two/a2.txt", "2");
  RunResult twice = Run({"names", "--list", "c.csv", "--report", "r.csv", "two", "out"});
  EXPECT_EQ(twice.status, 1);
  const std::string message = "out/c.txt: 出力先が重複しています（two/a1.txt と two/a2.txt）";
  EXPECT_EQ(twice.err, message + "\n");
  EXPECT_EQ(Files("out"), (FileMap{{"c.txt", "1"}}));
  EXPECT_EQ(Lines(Read("r.csv")).at(2).rfind("two/a2.txt,out/c.txt,failed,1," + message, 0), 0u);

  // A link in the output folder back into the source is replaced, never written through.
  MakeDir("links");
  ASSERT_EQ(symlink("../two/a1.txt", Abs("links/a1.txt").c_str()), 0);
  RunResult linked = Run({"folder-text", "--list", "ab.csv", "two", "links"});
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(Read("two/a1.txt"), "1");
  EXPECT_FALSE(fs::is_symlink(Abs("links/a1.txt")));
  EXPECT_EQ(Read("links/a1.txt"), "1\r\n");
}

TEST_F(CliHardeningTest, TemporaryFileOfAKilledRunIsClearedAndNeverConverted) {
  // kill -9 during a write leaves the temporary file of a process that is gone.
  const pid_t dead = fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) _exit(0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  char stale[64];
  std::snprintf(stale, sizeof stale, ".zv-tmp-%llx-0", static_cast<unsigned long long>(dead));
  Write("src/a.txt", "a");
  Write(std::string("src/") + stale, "half an output");

  RunResult r = Run({"folder-text", "--list", "ab.csv", "--report", "r.csv", "src", "src"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files("src"), (FileMap{{"a.txt", "b\r\n"}}));
  EXPECT_EQ(Lines(Read("r.csv")).size(), 2u) << Read("r.csv");
}

TEST_F(CliHardeningTest, InputsThatHaveNoBusinessBeingLargeAreRefused) {
  Write("in.txt", "a");
  Write("big.csv", std::string((16 << 20) + 1, ','));
  ASSERT_EQ(mkfifo(Abs("fifo.txt").c_str(), 0600), 0);
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"text", "--list", "ab.csv", "/dev/zero"}, "/dev/zero: ファイルではありません\n"},
      {{"text", "--list", "ab.csv", "fifo.txt"}, "fifo.txt: ファイルではありません\n"},
      {{"text", "--list", "/dev/zero", "in.txt"}, "/dev/zero: 通常のﾌｧｲﾙではありません\n"},
      {{"text", "--list", "big.csv", "in.txt"}, "big.csv: ﾌｧｲﾙが大きすぎます\n"},
  };
  for (const auto& c : cases) {
    RunResult r = Run(c.args);
    EXPECT_EQ(r.status, 2) << c.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, "");
  }
  // A UTF-16 list is converted, and says so.
  Write("u16.csv", std::string("\xFF\xFE"
                               "a\0,\0b\0\r\0\n\0",
                               12));
  RunResult r = Run({"text", "--list", "u16.csv", "in.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "u16.csv: UTF-16 のリストを UTF-8 に変換して読み込みました\n");
  EXPECT_EQ(r.out, "b\r\n");
}

TEST_F(CliHardeningTest, StandardOutputThatCannotBeWrittenIsAFailure) {
  Write("src/a.txt", "a");
  m_stdoutFile = "/dev/full";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"names", "--list", "ab.csv", "--dry-run", "src", "out"},
        std::vector<std::string>{"--help"}}) {
    RunResult r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, "標準出力: 書き込みに失敗しました\n");
  }
  // Closed: the plan is lost, but the report is still written, and whole.
  m_stdoutFile.reset();
  m_stdoutClosed = true;
  RunResult closed = Run({"names", "--list", "ab.csv", "--dry-run", "--report", "r.csv", "src", "out"});
  EXPECT_EQ(closed.status, 1);
  const std::vector<std::string> rows = Lines(Read("r.csv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].rfind("src/a.txt,out/b.txt,copied,1,", 0), 0u) << rows[1];
}

TEST_F(CliHardeningTest, ControlCharactersInNamesAreEscapedOnTheTerminalAndExactInTheReport) {
  const std::string kCounts = "変換 0、コピー 1、スキップ 0、既存 0、失敗 0、置換 0 件\n";
  const std::string name = "x\x1b[31m\nx\xc2\x9b.txt";  // ESC, LF and the C1 CSI
  Write("src/" + name, "a");
  RunResult r = Run({"names", "--list", "ab.csv", "--dry-run", "--report", "r.csv", "src", "out"});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string shown = "x\\x1B[31m\\x0Ax\\u009B.txt";
  EXPECT_EQ(r.out, "copy src/" + shown + " -> out/" + shown + "\n" + kCounts);
  const std::string report = Read("r.csv");
  EXPECT_NE(report.find("\n\"src/" + name + "\",\"out/" + name + "\",copied,0,"), std::string::npos)
      << report;
}

}  // namespace
}  // namespace zv::clitest
