// Where runs may write: never over their own sources (a file's own output in
// place excepted), never twice to one destination, never through a link; a
// text too large for memory fails alone; temporary files left by a killed
// process are cleared and never taken for sources.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "hardening/FaultSweep.h"
#include "text/FolderTextEngine.h"

namespace zvtest {
namespace {

namespace fs = std::filesystem;
using zv::FileAction;

struct RunResult {
  std::vector<std::string> files;
  RecordingSink sink;
  RecordingErrors errors;
  zv::RunEnd end{};
  std::vector<std::string> Failed() const {
    std::vector<std::string> failed;
    for (const zv::FileOutcome& o : sink.outcomes)
      if (o.action == FileAction::Failed) failed.push_back(o.error);
    return failed;
  }
};

RunResult Names(const std::string& src, const std::string& dst, const zv::ConvertRows& rows, bool overwrite,
                bool dryRun = false) {
  RunResult run;
  zv::CollectFiles(src, "*.*", true, run.files, {});
  zv::FileNameRunOptions options;
  options.overwrite = overwrite;
  options.dryRun = dryRun;
  CountingRows source(rows);
  std::atomic<int> running{1};
  run.end = zv::FileNameEngine(run.files, src, dst, options).Run(source, run.sink, run.errors, running);
  return run;
}

RunResult Texts(const std::string& src, const std::string& dst, bool overwrite = true,
                zv::ConvertRows rows = Rows({{"a", "A"}})) {
  RunResult run;
  zv::CollectFiles(src, "*.*", true, run.files, {});
  zv::FolderTextRunOptions options;
  options.overwrite = overwrite;
  options.isTextFile = [](const std::string& p) { return p.ends_with(".txt"); };
  CountingRows source(std::move(rows));
  std::atomic<int> running{1};
  run.end = zv::FolderTextEngine(run.files, src, dst, options, zv::CodePage::Utf8)
                .Run(source, run.sink, run.errors, running);
  return run;
}

std::string Refused(const std::string& dst) { return dst + ": 変換元のファイルには書き込みません"; }

// Output folders inside, above or equal to the source: whatever a run would
// write over a file of its own list fails with a message, and the sources
// keep their bytes.
TEST(OutputSafety, NoRunWritesOverItsOwnSources) {
  ScratchDir dir;
  const std::string root = dir.path();
  struct Case {
    const char* what;
    std::string src, dst;
    bool names;
    std::vector<std::string> refused;  // destinations refused, in list order
  };
  const Case cases[] = {
      // s/a.txt -> s/sub/a.txt, which is a source; s/sub/a.txt -> s/sub/sub/a.txt is new.
      {"text, output inside", root + "/in/s", root + "/in/s/sub", false, {root + "/in/s/sub/a.txt"}},
      // s/s/a.txt -> s/a.txt, a source; s/a.txt -> a.txt above the source is not one.
      {"text, output above", root + "/up/s", root + "/up", false, {root + "/up/s/a.txt"}},
      // Every converted name is a source: a.txt -> b.txt, b.txt stays b.txt (its own).
      {"names, output equal", root + "/eq", root + "/eq", true, {root + "/eq/b.txt", root + "/eq/b.txt"}},
      {"names, output inside", root + "/ni", root + "/ni/sub", true, {root + "/ni/sub/b.txt"}},
      // s/s/a.txt -> s/b.txt, a source; s/b.txt -> b.txt above is not one.
      {"names, output above", root + "/na/s", root + "/na", true, {root + "/na/s/b.txt"}},
  };
  for (const char* f : {"in/s/a.txt", "in/s/sub/a.txt", "up/s/a.txt", "up/s/s/a.txt", "eq/a.txt", "eq/b.txt",
                        "ni/a.txt", "ni/sub/b.txt", "na/s/b.txt", "na/s/s/a.txt"})
    WriteBytes(root + "/" + f, std::string("source ") + f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto before = Files(c.src);
    const RunResult run = c.names ? Names(c.src, c.dst, Rows({{"a", "b"}}), true) : Texts(c.src, c.dst);
    EXPECT_EQ(run.end, zv::RunEnd::Completed);
    std::vector<std::string> want;
    for (const std::string& d : c.refused) want.push_back(Refused(d));
    EXPECT_EQ(run.Failed(), want);
    EXPECT_EQ(run.errors.messages, want);
    for (const auto& [rel, bytes] : before) EXPECT_EQ(ReadBytes(c.src + "/" + rel), bytes) << rel;
  }
  // The one exception: in place, a file is replaced by its own output.
  WriteBytes(root + "/same/a.txt", "a");
  EXPECT_TRUE(Texts(root + "/same", root + "/same").Failed().empty());
  EXPECT_EQ(ReadBytes(root + "/same/a.txt"), "A\r\n");
}

TEST(OutputSafety, NoOutputIsWrittenTwice) {
  for (bool overwrite : {false, true}) {
    for (bool dryRun : {false, true}) {
      SCOPED_TRACE(std::string(overwrite ? "overwrite" : "keep") + (dryRun ? ", dry run" : ""));
      ScratchDir dir;
      WriteBytes(dir / "src/a1.txt", "first");
      WriteBytes(dir / "src/a2.txt", "second");
      WriteBytes(dir / "src/z.txt", "other");
      const RunResult run =
          Names(dir / "src", dir / "out", Rows({{"a1", "c"}, {"a2", "c"}}), overwrite, dryRun);
      const std::string message =
          dir / "out/c.txt: 出力先が重複しています（" + dir / "src/a1.txt と " + dir / "src/a2.txt）";
      EXPECT_EQ(run.Failed(), std::vector<std::string>{message});
      EXPECT_EQ(run.errors.messages, std::vector<std::string>{message});
      ASSERT_EQ(run.sink.outcomes.size(), 3u);
      EXPECT_EQ(run.sink.outcomes[1].action, FileAction::Failed);
      EXPECT_EQ(run.sink.outcomes[2].action, FileAction::Copied);
      EXPECT_EQ(ReadBytes(dir / "out/c.txt"), dryRun ? std::nullopt : std::optional<std::string>("first"));
    }
  }
}

TEST(OutputSafety, LinksAreReplacedNeverFollowedAndLeftAloneInPlace) {
  ScratchDir dir;
  WriteBytes(dir / "src/a.txt", "a");
  WriteBytes(dir / "outside.txt", "outside");
  // Links in the output folder that lead back into the source and out of the tree.
  fs::create_directories(dir / "names");
  fs::create_directories(dir / "texts");
  for (const char* out : {"names", "texts"}) fs::create_symlink("../src/a.txt", dir / out + "/a.txt");
  EXPECT_TRUE(Names(dir / "src", dir / "names", {}, true).Failed().empty());
  EXPECT_TRUE(Texts(dir / "src", dir / "texts").Failed().empty());
  EXPECT_EQ(ReadBytes(dir / "src/a.txt"), "a");
  for (const char* out : {"names", "texts"}) EXPECT_FALSE(fs::is_symlink(dir / out + "/a.txt")) << out;
  EXPECT_EQ(ReadBytes(dir / "texts/a.txt"), "A\r\n");

  // In place, a file reached through a link is reported and left alone.
  fs::create_symlink("../outside.txt", dir / "src/l.txt");
  const RunResult inPlace = Texts(dir / "src", dir / "src");
  EXPECT_EQ(inPlace.Failed(),
            std::vector<std::string>{dir / "src/l.txt: シンボリックリンクなので変換しません"});
  EXPECT_TRUE(fs::is_symlink(dir / "src/l.txt"));
  EXPECT_EQ(ReadBytes(dir / "outside.txt"), "outside");
  EXPECT_EQ(ReadBytes(dir / "src/a.txt"), "A\r\n");
}

bool BuiltWithSanitizers() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

// A (sparse) text of a petabyte cannot be held. Large texts go piece by
// piece (that one would be written out whole, to a full disk); where the
// list leaves no place to cut them (every ASCII byte, NUL too, is in a search
// string) a text is read whole, and that file fails with a message naming
// it, and the run goes on with the next.
TEST(OutputSafety, TextLargerThanMemoryFailsAloneWithItsName) {
  if (BuiltWithSanitizers()) GTEST_SKIP() << "the sanitizers' allocators abort on such a request";
  ScratchDir dir;
  WriteBytes(dir / "src/a.txt", "");
  ASSERT_EQ(::truncate((dir / "src/a.txt").c_str(), off_t{1} << 50), 0) << "no sparse files here";
  WriteBytes(dir / "src/b.txt", "a");
  std::string everyAscii;
  for (int c = 0; c < 0x80; ++c) everyAscii += static_cast<char>(c);
  const RunResult run = Texts(dir / "src", dir / "out", true, Rows({{everyAscii, "-"}, {"a", "A"}}));
  EXPECT_EQ(run.end, zv::RunEnd::Completed);
  EXPECT_EQ(run.Failed(),
            std::vector<std::string>{dir / "src/a.txt: 読み込めませんでした (Cannot allocate memory)"});
  EXPECT_EQ(ReadBytes(dir / "out/b.txt"), "A\r\n");
  EXPECT_FALSE(Exists(dir / "out/a.txt"));
}

std::string TempName(pid_t pid, int counter) {
  char name[64];
  std::snprintf(name, sizeof name, ".zv-tmp-%llx-%x", static_cast<unsigned long long>(pid), counter);
  return name;
}

TEST(OutputSafety, StaleTemporariesAreClearedAndNeverTakenForSources) {
  // A pid that no longer lives: a child that has ended and been waited for.
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);

  ScratchDir dir;
  const std::string stale = TempName(dead, 0), ours = TempName(::getpid(), 7), init = TempName(1, 3);
  for (const std::string& name : {stale, ours, init, std::string(".zv-tmp-notours"), std::string("a.txt")}) {
    WriteBytes(dir / "src/" + name, "a");
    WriteBytes(dir / "out/" + name, "old");
  }
  // The walk never takes one; each run clears those of dead processes where it writes.
  const RunResult names = Names(dir / "src", dir / "out", {}, true);
  EXPECT_EQ(names.files, (std::vector<std::string>{dir / "src/.zv-tmp-notours", dir / "src/a.txt"}));
  Texts(dir / "src", dir / "src");
  for (const char* folder : {"src", "out"}) {
    EXPECT_FALSE(Exists(dir / folder + "/" + stale)) << folder;
    for (const std::string& live : {ours, init}) EXPECT_TRUE(Exists(dir / folder + "/" + live)) << folder;
  }
  EXPECT_EQ(ReadBytes(dir / "src/a.txt"), "A\r\n");

  // A forked child names its temporary files by its own pid, not by its parent's.
  fs::create_directories(dir / "child");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string mine = TempName(::getpid(), 0).substr(0, TempName(::getpid(), 0).size() - 1);
    bool named = false;
    zv::SetFileFaultHook([&](zv::FileOp op, const std::string&) {
      for (const auto& e : fs::directory_iterator(dir / "child"))
        named = named || (op == zv::FileOp::Flush && e.path().filename().string().starts_with(mine));
      return 0;
    });
    ::_exit(zv::WriteFileAtomic(dir / "child/f", "x").ok && named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace zvtest
