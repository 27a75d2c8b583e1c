// The single-file tool from the command line.

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

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

// Pieces of a few bytes (forced by ZENTRAVOLIX_STREAM_PIECE) give what the
// whole-file conversion gives: `text -o` and `folder-text` alike, with the
// same outputs, messages, reports and status, and nothing written for a
// file that is not converted.
TEST_F(CliTextTest, StreamedTextsComeOutAsWholeOnes) {
  Write("list.csv", "foo,baz\r\nソフト,ｿﾌﾄ\r\n");
  Write("src/a.txt",
        "foo bar\r\nfoo\nlone\rfoo\x1A"
        "foo\n");
  Write("src/euc.txt", "\xA5\xBD\xA5\xD5\xA5\xC8 foo\r\nfoo foo\r\n");  // ソフト in EUC-JP
  Write("src/euc-fault.txt", "foo foo foo\r\nfoo foo\r\n\xA5 foo\r\n");
  Write("src/junk.txt", "foo foo\n\x80\xFF foo\n");
  const std::vector<std::pair<int, std::vector<std::string>>> commands = {
      {0, {"text", "--list", "list.csv", "-o", "out.txt", "src/a.txt"}},
      {0, {"text", "--list", "list.csv", "--remove-line-breaks", "-o", "out.txt", "src/a.txt"}},
      {0,
       {"text", "--list", "list.csv", "--encoding", "auto", "-o", "out.txt", "--report", "r.csv",
        "src/euc.txt"}},
      {1, {"text", "--list", "list.csv", "--encoding", "eucjp", "-o", "out.txt", "src/euc-fault.txt"}},
      {1, {"text", "--list", "list.csv", "--encoding", "auto", "-o", "out.txt", "src/junk.txt"}},
      {0, {"text", "--list", "list.csv", "--encoding", "auto", "--dry-run", "-o", "out.txt", "src/euc.txt"}},
      {1, {"folder-text", "--list", "list.csv", "--encoding", "auto", "--report", "r.csv", "src", "out"}},
      {1,
       {"folder-text", "--list", "list.csv", "--encoding", "eucjp", "--keep-line-ends", "--jobs", "2", "src",
        "out"}},
  };
  auto outputs = [&] {
    std::map<std::string, std::string> files = Files("out");
    for (const char* name : {"out.txt", "r.csv"})
      if (Exists(name)) files[name] = Read(name);
    return files;
  };
  auto clear = [&] {
    std::filesystem::remove_all(Abs("out"));
    std::filesystem::remove(Abs("out.txt"));
    std::filesystem::remove(Abs("r.csv"));
  };
  for (const auto& [status, args] : commands) {
    std::string what;
    for (const std::string& a : args) what += a + " ";
    clear();
    const RunResult whole = Run(args);
    EXPECT_EQ(whole.status, status) << what << whole.err;
    const auto wholeFiles = outputs();
    clear();
    const RunResult pieces = Run(args, {{"ZENTRAVOLIX_STREAM_PIECE", "8"}});
    EXPECT_EQ(pieces.status, whole.status) << what;
    EXPECT_EQ(pieces.out, whole.out) << what;
    EXPECT_EQ(pieces.err, whole.err) << what;
    EXPECT_EQ(outputs(), wholeFiles) << what;
  }
  EXPECT_EQ(Read("out/a.txt"),
            "baz bar\r\nbaz\nlone\rbaz\x1A"
            "baz\n");
}

// The pieces are what keep memory down: a 56 MB text that cannot be held
// whole under a 100 MB address space goes through in pieces of 1 MB.
TEST_F(CliTextTest, PiecesGoWhereTheWholeTextDoesNotFit) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
#endif
  std::string big(56u << 20, 'a');
  for (std::size_t at = 0; at + 4 < big.size(); at += 1000) big.replace(at, 4, "foo\n");
  Write("big/a.txt", big);
  m_memoryLimit = std::size_t{100} << 20;
  for (const bool folder : {true, false}) {
    const std::vector<std::string> args =
        folder ? std::vector<std::string>{"folder-text", "--list", "list.csv", "--jobs", "1", "big", "bigout"}
               : std::vector<std::string>{"text", "--list", "list.csv", "-o", "bigout/a.txt", "big/a.txt"};
    std::filesystem::remove_all(Abs("bigout"));
    MakeDir("bigout");
    const RunResult whole = Run(args);
    EXPECT_EQ(whole.status, 1) << folder;
    EXPECT_NE(whole.err.find("big/a.txt: "), std::string::npos) << whole.err;
    EXPECT_FALSE(Exists("bigout/a.txt")) << folder;
    const RunResult pieces = Run(args, {{"ZENTRAVOLIX_STREAM_PIECE", "1048576"}});
    EXPECT_EQ(pieces.status, 0) << folder << pieces.err;
    const std::string out = Read("bigout/a.txt");
    // Every LF now CR LF, and the last line has gained one.
    EXPECT_EQ(out.size(), big.size() + static_cast<std::size_t>(std::count(big.begin(), big.end(), '\n')) + 2)
        << folder;
    EXPECT_EQ(out.substr(0, 10), "baz\r\naaaaa") << folder;
  }
}

}  // namespace
}  // namespace zv::clitest
