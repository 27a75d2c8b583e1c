#pragma once
// Runs zentravolix-cli in a fresh temporary folder (its working folder) with
// a controlled environment, and reads and writes the trees it works on.

#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zv::clitest {

struct RunResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Environment overrides: a value of nullopt removes the variable.
  using Env = std::map<std::string, std::optional<std::string>>;
  RunResult Run(const std::vector<std::string>& args, const Env& env = {});
  // Run in two steps, for tests that act while the program runs.
  struct Running {
    int pid = -1;
    int outFd = -1, errFd = -1;
  };
  Running Start(const std::vector<std::string>& args, const Env& env = {});
  RunResult Finish(Running& running);
  // Waits (up to 10 s) until the started program holds rel open; false when
  // it never does.
  bool WaitUntilOpen(const Running& running, const std::string& rel) const;
  // Waits (up to 10 s) until the started program's stdout pipe, which the
  // test has not read, is too full for another line: the program is held at
  // its next line. False when that never happens.
  bool WaitUntilStdoutFull(const Running& running) const;
  // Waits (up to 10 s) until the started program has taken a signal sent to
  // it: none is pending and its signal thread (found by its name) sleeps
  // again, so what the signal does has been done.
  bool WaitUntilSignalTaken(const Running& running) const;
  // stdout and stderr both on a pseudo-terminal.
  RunResult RunOnTerminal(const std::vector<std::string>& args, const Env& env = {});

  std::string Abs(const std::string& rel) const { return m_root + "/" + rel; }
  void Write(const std::string& rel, const std::string& bytes);
  void MakeDir(const std::string& rel);
  std::string Read(const std::string& rel) const;
  bool Exists(const std::string& rel) const;
  // Every entry below rel: relative path -> "dir" or "file:" + contents.
  std::map<std::string, std::string> Tree(const std::string& rel) const;
  // Only the files below rel: relative path -> contents.
  std::map<std::string, std::string> Files(const std::string& rel) const;

  std::string m_root;
  // When set, the program's stdout goes to this file instead of the pipe.
  std::optional<std::string> m_stdoutFile;
  // When set, the program starts with its stdout closed.
  bool m_stdoutClosed = false;
  // When set, the program's address space is limited to this many bytes.
  std::optional<std::size_t> m_memoryLimit;

 private:
  std::vector<std::string> Environment(const Env& env) const;
};

// The lines of a text (LF-separated, last empty piece dropped).
std::vector<std::string> Lines(const std::string& text);
bool IsValidUtf8(const std::string& s);
// A dry run of `files` one-replacement files stopped part way: its plan
// (stdout, counts last) names a start of the list, and the report has every
// file, the planned ones converted and the rest never reached.
void ExpectStoppedPlan(const std::string& out, const std::string& report, int files);

}  // namespace zv::clitest
