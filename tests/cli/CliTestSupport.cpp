#include "CliTestSupport.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace zv::clitest {

namespace {

int DecodeStatus(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

[[noreturn]] void ExecCli(const std::string& cwd, const std::vector<std::string>& args,
                          const std::vector<std::string>& env) {
  if (chdir(cwd.c_str()) != 0) _exit(127);
  std::vector<char*> argv;
  std::string prog = ZV_CLI_PATH;
  argv.push_back(prog.data());
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  execve(prog.c_str(), argv.data(), envp.data());
  _exit(127);
}

}  // namespace

void CliTest::SetUp() {
  std::string templ = (fs::temp_directory_path() / "zvcli-XXXXXX").string();
  ASSERT_NE(mkdtemp(templ.data()), nullptr);
  m_root = templ;
  MakeDir("config");
}

void CliTest::TearDown() {
  std::error_code ec;
  fs::remove_all(m_root, ec);
}

std::vector<std::string> CliTest::Environment(const Env& env) const {
  std::map<std::string, std::optional<std::string>> vars{
      {"PATH", "/usr/bin:/bin"},
      {"LANG", "C.UTF-8"},
      {"ZENTRAVOLIX_CONFIG_DIR", Abs("config")},
      {"ZENTRAVOLIX_CODEPAGE", "65001"},
  };
  for (const auto& [k, v] : env) vars[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : vars) {
    if (v) out.push_back(k + "=" + *v);
  }
  return out;
}

RunResult CliTest::Run(const std::vector<std::string>& args, const Env& env) {
  Running running = Start(args, env);
  return Finish(running);
}

CliTest::Running CliTest::Start(const std::vector<std::string>& args, const Env& env) {
  Running running;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
    ADD_FAILURE() << "pipe failed";
    return running;
  }
  const std::vector<std::string> envList = Environment(env);
  running.pid = fork();
  if (running.pid == 0) {
    if (m_stdoutFile) {
      int fd = open(m_stdoutFile->c_str(), O_WRONLY);
      if (fd < 0) _exit(127);
      dup2(fd, STDOUT_FILENO);
    } else {
      dup2(outPipe[1], STDOUT_FILENO);
    }
    dup2(errPipe[1], STDERR_FILENO);
    int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    if (m_memoryLimit) {
      const struct rlimit limit = {*m_memoryLimit, *m_memoryLimit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(127);
    }
    if (m_stdoutClosed) close(STDOUT_FILENO);  // last: nothing opened after it takes its place
    close(outPipe[0]);
    close(errPipe[0]);
    ExecCli(m_root, args, envList);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  running.outFd = outPipe[0];
  running.errFd = errPipe[0];
  return running;
}

bool CliTest::WaitUntilOpen(const Running& running, const std::string& rel) const {
  const std::string proc = "/proc/" + std::to_string(running.pid);
  for (int i = 0; i < 1000; ++i) {
    std::error_code ec;
    // Until the exec the child still holds the test's own descriptors.
    if (fs::read_symlink(proc + "/exe", ec) == fs::path(ZV_CLI_PATH)) {
      for (const auto& e : fs::directory_iterator(proc + "/fd", ec))
        if (fs::read_symlink(e.path(), ec) == Abs(rel)) return true;
    }
    usleep(10000);
  }
  return false;
}

bool CliTest::WaitUntilStdoutFull(const Running& running) const {
  const int capacity = fcntl(running.outFd, F_GETPIPE_SZ);
  for (int i = 0; i < 1000 && capacity > 0; ++i) {
    int queued = 0;
    // Lines are shorter than PIPE_BUF, so each is written whole or waits.
    if (ioctl(running.outFd, FIONREAD, &queued) == 0 && queued > capacity - PIPE_BUF) return true;
    usleep(10000);
  }
  return false;
}

bool CliTest::WaitUntilSignalTaken(const Running& running) const {
  const std::string proc = "/proc/" + std::to_string(running.pid);
  for (int i = 0; i < 1000; ++i) {
    std::ifstream status(proc + "/status");
    std::string line;
    bool pending = true;
    while (std::getline(status, line))
      if (line.rfind("ShdPnd:", 0) == 0) pending = line.find_first_not_of("\t0", 7) != std::string::npos;
    // Found by name: thread ids need not follow the process id once ids wrap.
    std::string signalThread;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(proc + "/task", ec)) {
      std::ifstream comm(e.path() / "comm");
      std::string name;
      if (std::getline(comm, name) && name == "zv-signals") signalThread = e.path().filename().string();
    }
    std::ifstream stat(proc + "/task/" + signalThread + "/stat");
    std::string fields;
    std::getline(stat, fields);
    const std::size_t end = fields.rfind(") ");
    if (!pending && !signalThread.empty() && end != std::string::npos && fields[end + 2] == 'S') return true;
    usleep(10000);
  }
  return false;
}

RunResult CliTest::Finish(Running& running) {
  RunResult result;
  if (running.pid < 0) return result;
  pollfd fds[2] = {{running.outFd, POLLIN, 0}, {running.errFd, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int raw = 0;
  waitpid(running.pid, &raw, 0);
  running.pid = -1;
  result.status = DecodeStatus(raw);
  return result;
}

RunResult CliTest::RunOnTerminal(const std::vector<std::string>& args, const Env& env) {
  RunResult result;
  const std::vector<std::string> envList = Environment(env);
  int master = -1;
  winsize ws{};
  ws.ws_col = 100;
  ws.ws_row = 30;
  pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid < 0) {
    ADD_FAILURE() << "forkpty failed";
    return result;
  }
  if (pid == 0) ExecCli(m_root, args, envList);
  char buf[4096];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      result.out.append(buf, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the child has closed the terminal
    }
  }
  close(master);
  int raw = 0;
  waitpid(pid, &raw, 0);
  result.status = DecodeStatus(raw);
  return result;
}

void CliTest::Write(const std::string& rel, const std::string& bytes) {
  fs::path p = Abs(rel);
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.good()) << rel;
}

void CliTest::MakeDir(const std::string& rel) { fs::create_directories(Abs(rel)); }

std::string CliTest::Read(const std::string& rel) const {
  std::ifstream f(Abs(rel), std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool CliTest::Exists(const std::string& rel) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(Abs(rel), ec));
}

std::map<std::string, std::string> CliTest::Tree(const std::string& rel) const {
  std::map<std::string, std::string> tree;
  const fs::path base = Abs(rel);
  if (!fs::exists(base)) return tree;
  for (const auto& e : fs::recursive_directory_iterator(base)) {
    const std::string key = fs::relative(e.path(), base).string();
    tree[key] = e.is_directory() ? "dir" : "file:" + Read(rel + "/" + key);
  }
  return tree;
}

std::map<std::string, std::string> CliTest::Files(const std::string& rel) const {
  std::map<std::string, std::string> files;
  for (const auto& [k, v] : Tree(rel)) {
    if (v != "dir") files[k] = v.substr(5);
  }
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void ExpectStoppedPlan(const std::string& out, const std::string& report, int files) {
  std::vector<std::string> planned = Lines(out);
  const std::vector<std::string> rows = Lines(report);
  ASSERT_FALSE(planned.empty());
  EXPECT_NE(planned.back().find("未処理"), std::string::npos) << "the counts come last";
  planned.pop_back();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(files) + 1);
  ASSERT_LT(planned.size(), static_cast<std::size_t>(files));
  for (std::size_t i = 0; i < static_cast<std::size_t>(files); ++i) {
    const bool done = i < planned.size();
    EXPECT_NE(rows[i + 1].find(done ? ",converted,1," : ",,skipped,0,処理されませんでした"), std::string::npos)
        << rows[i + 1];
  }
}

bool IsValidUtf8(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

}  // namespace zv::clitest
