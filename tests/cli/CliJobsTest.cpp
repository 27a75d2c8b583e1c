// Folder runs with several jobs: the same output, stdout, report and exit
// status as with one.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

namespace fs = std::filesystem;
using FileMap = std::map<std::string, std::string>;

// Everything a run leaves behind that the user can see.
struct Outcome {
  int status = -1;
  std::string out, err, report;
  std::map<std::string, std::string> tree;
};

bool operator==(const Outcome& a, const Outcome& b) {
  return a.status == b.status && a.out == b.out && a.err == b.err && a.report == b.report && a.tree == b.tree;
}

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << "status " << o.status << "\nstdout:\n" << o.out << "stderr:\n" << o.err << "report:\n" << o.report;
  os << "tree (" << o.tree.size() << " entries)";
  return os;
}

class CliJobsTest : public CliTest {
 protected:
  // Runs the command with the given job count after `setup` has made the
  // starting state, and collects what it left in `dir`.
  Outcome RunWith(const std::string& jobs, std::vector<std::string> args, const std::function<void()>& setup,
                  const std::string& dir = "out") {
    std::error_code ec;
    fs::remove_all(Abs(dir), ec);
    fs::remove(Abs("r.csv"), ec);
    setup();
    args.insert(args.begin() + 1, {"--jobs", jobs, "--report", "r.csv"});
    RunResult r = Run(args);
    Outcome o;
    o.status = r.status;
    o.out = r.out;
    o.err = r.err;
    o.report = Exists("r.csv") ? Read("r.csv") : "<none>";
    o.tree = Tree(dir);
    return o;
  }
  // A fresh "out" holding `existing`.
  std::function<void()> OutWith(const FileMap& existing) {
    return [this, existing] {
      MakeDir("out");
      for (const auto& [rel, bytes] : existing) Write("out/" + rel, bytes);
    };
  }

  // A seeded tree of text and binary files whose names and contents the
  // test's rows change, with names that meet after conversion; returns
  // destinations that exist before the run.
  FileMap MakeRandomTree(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
    const std::vector<std::string> folders = {"", "a/", "a/b/", "c/", "日本/", "a/b/深い/"};
    const std::vector<std::string> stems = {"rep", "ort", "doc", "メモ", "x", "y", "data", "ソ", "k"};
    const std::vector<std::string> exts = {".txt", ".txt", ".md", ".jpg", ".bin", ""};
    const std::vector<std::string> tokens = {"foo", "bar", "日本語", "ソ", "\\", "o",  "a",   "\r\n", "\n",
                                             "\r",  " ",   "x",      "表", "y",  "\t", "doc", "rep"};
    FileMap existing;
    const int files = 40 + static_cast<int>(rng() % 30);
    for (int i = 0; i < files; ++i) {
      std::string name;
      const int parts = 1 + static_cast<int>(rng() % 3);
      for (int p = 0; p < parts; ++p) name += pick(stems);
      const std::string rel = pick(folders) + name + pick(exts);
      std::string content;
      const int len = static_cast<int>(rng() % 400);
      for (int k = 0; k < len; ++k) content += pick(tokens);
      if (rng() % 10 == 0) content += "\x1a" + pick(tokens);
      Write("src/" + rel, content);
      if (rng() % 6 == 0) existing[rel] = "old " + std::to_string(i);
    }
    return existing;
  }
};

// The report's rows, header left out.
std::vector<std::string> ReportRows(const Outcome& o) {
  std::vector<std::string> rows = Lines(o.report);
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

TEST_F(CliJobsTest, RandomTreesGiveTheSameResultWithFourJobsAsWithOne) {
  Write("list.csv", "foo,bar\r\no,oo\r\n日本,にほん\r\nrep,doc\r\nx,y\r\nソ,\\\r\n\"\\\",/\r\ndoc,k\r\n");
  Write("exts", "jpg\nbin\n");
  const std::vector<std::vector<std::string>> commands = {
      {"names", "--list", "list.csv", "--subdir", "src", "out"},
      {"names", "--list", "list.csv", "--subdir", "--nocase", "--overwrite", "src", "out"},
      {"names", "--list", "list.csv", "--subdir", "--dry-run", "src", "out"},
      {"names", "--list", "list.csv", "--whole-name", "--subdir", "src", "out"},
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "src", "out"},
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--overwrite", "src", "out"},
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--skip-binary", "src",
       "out"},
      {"folder-text", "--list", "list.csv", "--binary-ext", "exts", "--subdir", "--dry-run", "src", "out"},
  };
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::error_code ec;
    fs::remove_all(Abs("src"), ec);
    const FileMap existing = MakeRandomTree(seed);
    const auto before = Tree("src");
    for (const auto& command : commands) {
      SCOPED_TRACE("seed " + std::to_string(seed) + ": " + command[0] + " " + command[4] + " " + command[5]);
      const Outcome one = RunWith("1", command, OutWith(existing));
      EXPECT_EQ(RunWith("4", command, OutWith(existing)), one);
      EXPECT_EQ(RunWith("3", command, OutWith(existing)), one);
    }
    EXPECT_EQ(Tree("src"), before);
  }
}

TEST_F(CliJobsTest, FolderTextRunGoesOnAfterAFailingFile) {
  Write("list.csv", "foo,bar\r\n");
  // Own files first, then the subfolder's: m/n comes after m/f.txt.
  for (int i = 0; i < 12; ++i) Write("src/t" + std::to_string(i) + ".txt", "foo " + std::to_string(i));
  Write("src/m/f.txt", "foo");
  for (int i = 0; i < 12; ++i) Write("src/m/n/g" + std::to_string(i) + ".txt", "foo");
  const FileMap blocked = {{"m/f.txt/keep", "a folder where the output file must go"}};

  const Outcome one =
      RunWith("1", {"folder-text", "--list", "list.csv", "--subdir", "src", "out"}, OutWith(blocked));
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(one.err, "out/m/f.txt: ﾌｧｲﾙｱｸｾｽ禁止です\n");
  const std::vector<std::string> rows = ReportRows(one);
  ASSERT_EQ(rows.size(), 25u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(rows[i].find("src/t"), 0u) << rows[i];
  EXPECT_EQ(rows[12], "src/m/f.txt,out/m/f.txt,failed,1,out/m/f.txt: ﾌｧｲﾙｱｸｾｽ禁止です,UTF-8");
  for (int i = 13; i < 25; ++i) EXPECT_NE(rows[i].find(",converted,1,"), std::string::npos) << rows[i];

  for (const char* jobs : {"4", "2", "8"}) {
    SCOPED_TRACE(std::string("jobs ") + jobs);
    const Outcome many =
        RunWith(jobs, {"folder-text", "--list", "list.csv", "--subdir", "src", "out"}, OutWith(blocked));
    EXPECT_EQ(many, one);
  }
}

TEST_F(CliJobsTest, NamesRunGoesOnAfterAFailedCopy) {
  Write("list.csv", "x,y\r\n");
  for (int i = 0; i < 20; ++i) Write("src/x" + std::to_string(i) + ".txt", std::to_string(i));
  // Every copy fails whose destination is a folder.
  const FileMap blocked = {{"y3.txt/keep", "k"}, {"y11.txt/keep", "k"}};
  const std::vector<std::string> command = {"names", "--list", "list.csv", "--overwrite", "src", "out"};

  const Outcome one = RunWith("1", command, OutWith(blocked));
  EXPECT_EQ(one.status, 1);
  const Outcome many = RunWith("4", command, OutWith(blocked));
  EXPECT_EQ(many, one);
  int copied = 0, failed = 0;
  for (const std::string& row : ReportRows(many)) {
    copied += row.find(",copied,") != std::string::npos;
    failed += row.find(",failed,") != std::string::npos;
  }
  EXPECT_EQ(copied, 18);
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(many.tree.at("y19.txt"), "file:19");
}

TEST_F(CliJobsTest, SourcesInsideTheOutputFolderAreNeverWrittenOver) {
  // An output folder inside the source that an earlier run filled: its
  // files are in the list, so outputs of other entries may not replace them.
  Write("list.csv", "o,oo\r\n");
  Write("src/a.txt", "foo");
  Write("src/b.txt", "foo");
  Write("src/out/a.txt", "old");
  Write("src/out/b.txt", "old");
  RunResult r = Run({"folder-text", "--list", "list.csv", "--subdir", "--jobs", "4", "src", "src/out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "src/out/a.txt: 変換元のファイルには書き込みません\n"
            "src/out/b.txt: 変換元のファイルには書き込みません\n");
  EXPECT_EQ(
      Files("src/out"),
      (FileMap{{"a.txt", "old"}, {"b.txt", "old"}, {"out/a.txt", "oold\r\n"}, {"out/b.txt", "oold\r\n"}}));
}

TEST_F(CliJobsTest, NamesWhoseCopiesFeedLaterEntriesKeepListOrder) {
  // Output equal to the source: every converted name is also a source, and
  // several names meet, so the result depends on the order of the copies.
  Write("list.csv", "p,q\r\n");
  auto setup = [this] {
    for (const char* stem : {"p", "q", "pp", "qq", "pq", "qp", "ppp", "qqq"})
      Write(std::string("n/") + stem + ".txt", std::string("from ") + stem);
  };
  for (const char* option : {"--overwrite", "--nocase"}) {
    const std::vector<std::string> command = {"names", "--list", "list.csv", option, "n", "n"};
    const Outcome one = RunWith("1", command, setup, "n");
    for (int repeat = 0; repeat < 5; ++repeat) EXPECT_EQ(RunWith("4", command, setup, "n"), one);
  }
}

TEST_F(CliJobsTest, LinksToOneFileNeverMeetEachOthersLock) {
  Write("list.csv", "foo,bar\r\n");
  Write("src/real.txt", "foo");
  for (int i = 0; i < 16; ++i) {
    ASSERT_EQ(symlink("real.txt", Abs("src/link" + std::to_string(i) + ".txt").c_str()), 0);
  }
  for (int i = 0; i < 5; ++i) {
    RunResult r = Run({"folder-text", "--list", "list.csv", "--jobs", "8", "src", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Files("out").size(), 17u);
    RunResult n = Run({"names", "--list", "list.csv", "--jobs", "8", "--overwrite", "src", "names"});
    ASSERT_EQ(n.status, 0) << n.err;
    EXPECT_EQ(Files("names").size(), 17u);
  }
}

TEST_F(CliJobsTest, InterruptStopsAfterTheFilesUnderWay) {
  Write("list.csv", "foo,bar\r\n");
  // The plan's long lines fill standard output, which holds the run until
  // the test has interrupted it.
  constexpr int kFiles = 400;
  const std::string stem(200, 'f');
  for (int i = 0; i < kFiles; ++i) Write("src/" + stem + std::to_string(1000 + i) + ".txt", "foo");
  Running run =
      Start({"folder-text", "--list", "list.csv", "--jobs", "4", "--dry-run", "--report", "r.csv", "src", "out"});
  ASSERT_TRUE(WaitUntilStdoutFull(run)) << "the plan never filled standard output";
  kill(run.pid, SIGINT);
  ASSERT_TRUE(WaitUntilSignalTaken(run));

  RunResult r = Finish(run);
  EXPECT_EQ(r.status, 130);
  // The files under way are finished: those done form the start of the list.
  ExpectStoppedPlan(r.out, Read("r.csv"), kFiles);
}

TEST_F(CliJobsTest, JobCountMustBePositive) {
  Write("list.csv", "foo,bar\r\n");
  Write("src/a.txt", "foo");
  for (const char* bad : {"0", "-2", "many"}) {
    RunResult r = Run({"folder-text", "--list", "list.csv", "--jobs", bad, "src", "out"});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_FALSE(Exists("out"));
  }
  RunResult ok = Run({"names", "--list", "list.csv", "--jobs", "1", "src", "out"});
  EXPECT_EQ(ok.status, 0) << ok.err;
}

}  // namespace
}  // namespace zv::clitest
