// Every operation of the file layer fails in turn, with a full disk, an I/O
// error and a refused access, in whole runs of both folder engines and in the
// list, settings and extension-list saves. After each run: the source tree is
// unchanged, every output is absent, old or complete, no temporary file is
// left, and every failed file was reported while the run went on. Signals
// delivered at every tenth operation leave the same.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "hardening/FaultSweep.h"
#include "list/ConvertListFile.h"
#include "platform/FileError.h"
#include "platform/Signals.h"
#include "settings/BinaryExtList.h"
#include "settings/Settings.h"
#include "text/FolderTextEngine.h"
#include "text/TextConvert.h"

namespace zvtest {
namespace {

using zv::FileOp;

constexpr int kErrors[] = {ENOSPC, EIO, EACCES};

// The size of each sweep, for the notes on the hardening work.
void Report(const std::string& what, std::size_t ops) {
  std::printf("[ sweep    ] %s: %zu fault points x %zu errors\n", what.c_str(), ops, std::size(kErrors));
}

class EnvScope {
 public:
  EnvScope(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvScope() {
    if (m_old)
      ::setenv(m_name, m_old->c_str(), 1);
    else
      ::unsetenv(m_name);
  }
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

// A small tree with text and binary files, two levels of subfolders, an
// empty file, outputs from an earlier run and the extension list.
struct Fixture {
  ScratchDir root;
  std::string src = root / "src";
  std::string out = root / "out";
  std::string config = root / "config";
  std::string listPath = config + "/ZentravolixExpList";

  Fixture() {
    WriteBytes(src + "/a.txt", "alpha beta\nalpha\n");
    WriteBytes(src + "/photo.jpg", std::string("\xFF\xD8 alpha\r\n\0 data", 17));
    WriteBytes(src + "/sub/c.txt", "gamma\r\nalpha");
    WriteBytes(src + "/sub/deep/d.txt", "");
    WriteBytes(src + "/sub/e.jpg", "JPG alpha");
    WriteBytes(out + "/a.txt", "old a");
    WriteBytes(out + "/Z.txt", "old Z");
    WriteBytes(out + "/sub/e.jpg", "old e");
    WriteBytes(listPath, "jpg\r\n");
  }

  std::vector<std::string> Walk() const {
    std::vector<std::string> files;
    zv::CollectFiles(src, "*.*", true, files, {});
    return files;
  }
};

struct EngineRun {
  zv::RunEnd end = zv::RunEnd::Completed;
  RecordingSink sink;
  RecordingErrors errors;
  std::size_t fileAtFault = SIZE_MAX;  // index of the file under way when the fault hit
};

bool Finished(const EngineRun& r) { return !r.sink.events.empty() && r.sink.events.back() == "finished"; }

std::string Describe(const FaultInjector& faults, std::size_t k) {
  std::string s = "k=" + std::to_string(k) + " err=" + std::to_string(faults.Err());
  if (const auto& f = faults.Injected()) s += std::string(" at ") + OpName(f->op) + " " + f->path;
  return s;
}

// Runs one engine on a fresh fixture with the k-th operation failing; k = 0 counts only.
template <class RunEngine>
void RunWithFault(Fixture& fx, FaultInjector& faults, std::size_t k, int err, EngineRun& run,
                  RunEngine&& engine) {
  faults.Arm(k, err);
  faults.onInject = [&run](const FileOpSeen&) { run.fileAtFault = run.sink.outcomes.size(); };
  std::atomic<int> running{1};
  run.end = engine(fx, run, running);
  faults.onInject = nullptr;
}

void ExpectSourceAndTemporaries(const Fixture& fx, const std::map<std::string, std::string>& source,
                                const std::string& what) {
  EXPECT_EQ(TreeState(fx.src), source) << what;
  EXPECT_EQ(TemporaryFiles(fx.root.path()), std::vector<std::string>()) << what;
}

zv::RunEnd RunNames(Fixture& fx, EngineRun& run, std::atomic<int>& running, bool overwrite) {
  zv::FileNameRunOptions options;
  options.overwrite = overwrite;
  options.noCase = true;
  zv::FileNameEngine engine(fx.Walk(), fx.src, fx.out, options);
  CountingRows rows(Rows({{"a", "Z"}}));
  return engine.Run(rows, run.sink, run.errors, running);
}

// A run without faults: its outputs and how many operations it took.
struct CleanRun {
  EngineRun run;
  std::map<std::string, std::string> complete;
  std::size_t ops = 0;

  template <class RunEngine>
  CleanRun(FaultInjector& faults, RunEngine&& engine) {
    Fixture fx;
    EnvScope env("ZENTRAVOLIX_CONFIG_DIR", fx.config);
    RunWithFault(fx, faults, 0, 0, run, engine);
    complete = Files(fx.out);
    ops = faults.Count();
  }
};

TEST(FaultSweep, FileNameRunPassesOverEveryFailedCopy) {
  for (bool overwrite : {true, false}) {
    FaultInjector faults;
    std::map<std::string, std::string> complete;
    std::size_t ops = 0;
    {
      const CleanRun clean(faults, [&](Fixture& f, EngineRun& r, std::atomic<int>& running) {
        return RunNames(f, r, running, overwrite);
      });
      ASSERT_EQ(clean.run.end, zv::RunEnd::Completed);
      complete = clean.complete;
      ops = clean.ops;
      // Every kind of operation of a copy goes through the seam.
      std::set<FileOp> kinds;
      for (const FileOpSeen& s : faults.Seen()) kinds.insert(s.op);
      EXPECT_EQ(kinds, (std::set<FileOp>{FileOp::Open, FileOp::Read, FileOp::Write, FileOp::Flush,
                                         FileOp::Rename, FileOp::CreateDir}));
    }
    ASSERT_GT(ops, 20u);
    Report(std::string("file-name run") + (overwrite ? ", overwrite" : ""), ops);
    for (std::size_t k = 1; k <= ops + 1; ++k) {
      for (int err : kErrors) {
        Fixture fx;
        const auto source = TreeState(fx.src);
        const auto before = Files(fx.out);
        EngineRun run;
        RunWithFault(fx, faults, k, err, run, [&](Fixture& f, EngineRun& r, std::atomic<int>& running) {
          return RunNames(f, r, running, overwrite);
        });
        const std::string what = Describe(faults, k) + (overwrite ? " overwrite" : "");
        ExpectSourceAndTemporaries(fx, source, what);
        const auto after = Files(fx.out);
        EXPECT_EQ(PartialOutputs(before, complete, after), std::vector<std::string>()) << what;

        // The run goes on after a failed copy, which is reported, and ends normally.
        EXPECT_EQ(run.end, zv::RunEnd::Completed) << what;
        EXPECT_TRUE(Finished(run)) << what;
        ASSERT_EQ(run.sink.outcomes.size(), 5u) << what;
        std::vector<std::string> failedMessages;
        std::size_t differing = 0;
        for (const zv::FileOutcome& o : run.sink.outcomes)
          if (o.action == zv::FileAction::Failed) failedMessages.push_back(o.error);
        const std::size_t failed = failedMessages.size();
        EXPECT_EQ(run.errors.messages, failedMessages) << what;
        for (const auto& [path, bytes] : complete)
          differing += after.count(path) == 0 || after.at(path) != bytes;
        if (faults.Injected()) {
          EXPECT_EQ(failed, 1u) << what;
          EXPECT_EQ(run.sink.outcomes[run.fileAtFault].action, zv::FileAction::Failed) << what;
          EXPECT_LE(differing, 1u) << what;
        } else {
          EXPECT_EQ(failed, 0u) << what;
          EXPECT_EQ(after, complete) << what;
        }
      }
    }
  }
}

zv::RunEnd RunTexts(Fixture& fx, EngineRun& run, std::atomic<int>& running) {
  zv::FolderTextRunOptions options;
  options.overwrite = true;
  zv::FolderTextEngine engine(fx.Walk(), fx.src, fx.out, options, zv::CodePage::Utf8);
  CountingRows rows(Rows({{"alpha", "ALPHA!"}}));
  return engine.Run(rows, run.sink, run.errors, running);
}

TEST(FaultSweep, FolderTextRunReportsEveryFailedFileAndGoesOn) {
  FaultInjector faults;
  std::map<std::string, std::string> complete;
  std::size_t ops = 0;
  {
    const CleanRun clean(faults, RunTexts);
    ASSERT_EQ(clean.run.end, zv::RunEnd::Completed);
    ASSERT_TRUE(clean.run.errors.messages.empty());
    complete = clean.complete;
    ops = clean.ops;
    std::vector<bool> binary;
    for (const zv::FileOutcome& o : clean.run.sink.outcomes)
      binary.push_back(o.action == zv::FileAction::Copied);
    ASSERT_EQ(binary, (std::vector<bool>{false, true, false, true, false}));
  }
  ASSERT_GT(ops, 30u);
  Report("folder text run", ops);
  for (std::size_t k = 1; k <= ops + 1; ++k) {
    for (int err : kErrors) {
      Fixture fx;
      EnvScope env("ZENTRAVOLIX_CONFIG_DIR", fx.config);
      const auto source = TreeState(fx.src);
      const auto config = TreeState(fx.config);
      const auto before = Files(fx.out);
      EngineRun run;
      RunWithFault(fx, faults, k, err, run, RunTexts);
      const std::string what = Describe(faults, k);
      ExpectSourceAndTemporaries(fx, source, what);
      EXPECT_EQ(TreeState(fx.config), config) << what;
      const auto after = Files(fx.out);
      EXPECT_EQ(run.end, zv::RunEnd::Completed) << what;
      EXPECT_TRUE(Finished(run)) << what;
      EXPECT_EQ(PartialOutputs(before, complete, after), std::vector<std::string>()) << what;
      std::vector<std::string> failed;
      for (const zv::FileOutcome& o : run.sink.outcomes)
        if (o.action == zv::FileAction::Failed) failed.push_back(o.error);

      const auto& injected = faults.Injected();
      if (!injected) {
        EXPECT_TRUE(run.errors.messages.empty()) << what;
        EXPECT_EQ(after, complete) << what;
        continue;
      }
      const auto message = zv::FileFailureMessage(zv::FileResult::Fail(injected->op, err, injected->path));
      if (injected->path == fx.listPath) {
        // An unreadable list is reported; the built-in list, which names jpg
        // too, is in force, so every file ends as in the clean run.
        EXPECT_EQ(run.errors.messages, std::vector<std::string>{message}) << what;
        EXPECT_TRUE(failed.empty()) << what;
        EXPECT_EQ(after, complete) << what;
        continue;
      }
      // The file at fault fails and is reported once; every other file is complete.
      ASSERT_EQ(failed.size(), 1u) << what;
      EXPECT_EQ(run.errors.messages, failed) << what;
      ASSERT_LT(run.fileAtFault, run.sink.outcomes.size()) << what;
      EXPECT_EQ(run.sink.outcomes[run.fileAtFault].action, zv::FileAction::Failed) << what;
      // A folder that could not be made fails the write into it, named by the file.
      if (injected->op != FileOp::CreateDir) {
        EXPECT_EQ(failed[0], message) << what;
      }
      std::size_t differing = 0;
      for (const auto& [path, bytes] : complete)
        differing += after.count(path) == 0 || after.at(path) != bytes;
      EXPECT_LE(differing, 1u) << what;
    }
  }
}

// A child process handles the signals as the command-line program does and
// sends itself one (or a second INT) at every tenth operation of a whole run.
// The first INT, TERM or HUP lets the run stop after the file under way;
// PIPE and a second INT end the process at once, here while the operation
// waits. Either way the source is unchanged, every output is old or complete
// and no temporary file is left.
TEST(FaultSweep, SignalsAtEveryTenthOperationLeaveNothingBehind) {
  const struct {
    const char* name;
    int sig;
    int times;
    bool ends;  // the process ends by the signal, at once
  } kinds[] = {{"INT", SIGINT, 1, false},
               {"TERM", SIGTERM, 1, false},
               {"HUP", SIGHUP, 1, false},
               {"PIPE", SIGPIPE, 1, true},
               {"second INT", SIGINT, 2, true}};
  for (bool textRun : {false, true}) {
    auto run = [textRun](Fixture& fx, EngineRun& r, std::atomic<int>& running) {
      return textRun ? RunTexts(fx, r, running) : RunNames(fx, r, running, true);
    };
    FaultInjector faults;
    const CleanRun clean(faults, run);
    const std::map<std::string, std::string>& complete = clean.complete;
    const std::size_t ops = clean.ops;
    ASSERT_GT(ops, 20u);
    std::printf("[ sweep    ] %s run: signals at %zu of %zu operations x %zu kinds\n",
                textRun ? "text" : "name", (ops + 9) / 10, ops, std::size(kinds));
    for (std::size_t k = 1; k <= ops; k += 10) {
      for (const auto& kind : kinds) {
        const std::string what =
            std::string(textRun ? "text" : "names") + " k=" + std::to_string(k) + " " + kind.name;
        Fixture fx;
        EnvScope env("ZENTRAVOLIX_CONFIG_DIR", fx.config);
        const auto source = TreeState(fx.src);
        const auto before = Files(fx.out);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
          zv::InstallTerminationHandling();
          faults.onInject = [&kind](const FileOpSeen&) {
            for (int i = 0; i < kind.times; ++i) {
              // Two signals pending at once would be one: the second waits for the first.
              while (i > 0 && zv::TerminationSignal() == 0) ::sched_yield();
              ::kill(::getpid(), kind.sig);
            }
            while (kind.ends) ::pause();  // the signal's own thread ends the process
          };
          faults.Arm(k, 0);
          std::atomic<int> running{1};
          zv::SetTerminationFlag(&running);
          EngineRun r;
          run(fx, r, running);
          zv::SetTerminationFlag(nullptr);
          ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (kind.ends) {
          EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == kind.sig) << what << " status " << status;
        } else {
          EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what << " status " << status;
        }
        ExpectSourceAndTemporaries(fx, source, what);
        EXPECT_EQ(PartialOutputs(before, complete, Files(fx.out)), std::vector<std::string>()) << what;
      }
    }
  }
}

// A save either fails and leaves the old file, or succeeds with the whole new one.
template <class Save>
void SweepSave(const std::string& name, const std::string& path, const std::string& old, Save&& save) {
  const std::string folder = path.substr(0, path.rfind('/'));
  FaultInjector faults;
  std::string complete;
  std::size_t ops = 0;
  {
    WriteBytes(path, old);
    faults.Arm(0, 0);
    ASSERT_TRUE(save());
    complete = *ReadBytes(path);
    ops = faults.Count();
    ASSERT_NE(complete, old);
  }
  ASSERT_GT(ops, 0u);
  Report(name, ops);
  for (std::size_t k = 1; k <= ops + 1; ++k) {
    for (int err : kErrors) {
      WriteBytes(path, old);
      faults.Arm(k, err);
      const bool ok = save();
      const std::string what = Describe(faults, k);
      EXPECT_EQ(ok, !faults.Injected()) << what;
      EXPECT_EQ(*ReadBytes(path), ok ? complete : old) << what;
      EXPECT_EQ(TemporaryFiles(folder), std::vector<std::string>()) << what;
    }
  }
}

TEST(FaultSweep, ListSaveKeepsTheOldFileOnEveryFailure) {
  ScratchDir dir;
  const zv::ConvertRows rows = Rows({{"a", "b"}, {"say \"hi\"", "1,2"}});
  SweepSave("list save", dir / "list.csv", "\"old\",\"list\"\r\n",
            [&] { return zv::SaveConvertList(dir / "list.csv", rows).ok; });
}

TEST(FaultSweep, SingleFileTextSaveKeepsTheOldFile) {
  ScratchDir dir;
  SweepSave("text file save", dir / "note.txt", "old text\r\n",
            [&] { return zv::WriteSingleFileText(dir / "note.txt", "new text\r\n").ok; });
}

TEST(FaultSweep, ExtensionListSaveKeepsTheOldFileAndReportsTheFailure) {
  ScratchDir dir;
  const std::string path = dir / "ZentravolixExpList";
  std::vector<std::string> messages;
  SweepSave("extension-list save", path, "bmp\r\n", [&] {
    messages.clear();
    const bool ok = zv::SaveBinaryExtListTo(path, {"jpg", "png", "zip"},
                                            [&](const std::string& m) { messages.push_back(m); });
    // The message names the list file, never a temporary one.
    for (const std::string& m : messages) EXPECT_EQ(m.rfind(path + ": ", 0), 0u) << m;
    EXPECT_LE(messages.size(), ok ? 0u : 1u);
    return ok;
  });
}

TEST(FaultSweep, SettingsGroupSaveIsAllOrNothing) {
  ScratchDir dir;
  EnvScope env("ZENTRAVOLIX_CONFIG_DIR", dir.path());
  const std::string old =
      "[CONVERTFILE]\r\nSUBDIR=0\r\nNOCASE=0\r\nSRCDIR=/old\r\n[CONVERTTEXT]\r\nSUBDIR=1\r\n";
  const std::string path = dir / "Zentravolix.ini";
  SweepSave("file options save", path, old, [] {
    return zv::SaveConvertFileOptions({"1", "1", "1", "1"}).ok;
  });
  SweepSave("folder paths save", path, old, [] {
    return zv::SaveConvertFilePaths({"/src", "/dst", "*.txt"}).ok;
  });
  SweepSave("text options save", path, old, [] { return zv::SaveConvertTextOptions({"0", "1", "1"}).ok; });
}

}  // namespace
}  // namespace zvtest
