// Hostile source trees: link loops and links leading outside, FIFOs, sockets
// and device nodes, a folder that cannot be read deep in the tree, and files
// that grow or shrink while they are read.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FileNameTexts.h"
#include "filename/FolderWalk.h"
#include "hardening/FaultSweep.h"
#include "platform/File.h"
#include "platform/PlatformTexts.h"
#include "text/FolderTextEngine.h"
#include "text/TextConvert.h"

namespace zvtest {
namespace {

namespace fs = std::filesystem;
using zv::CodePage;
using zv::FileAction;

// Aborts the test program when a step blocks: a FIFO opened for reading
// without a writer would hang the run for ever.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit)
      : m_thread([this, limit] {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
            std::fprintf(stderr, "watchdog: the run blocked for %lld s\n",
                         static_cast<long long>(limit.count()));
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_finished = true;
    }
    m_done.notify_all();
    m_thread.join();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_done;
  bool m_finished = false;
  std::thread m_thread;
};

struct Runs {
  std::vector<std::string> files;
  std::vector<std::string> stdoutTexts;
  std::vector<std::string> noticeFolders;  // the folder each notice is about
  zv::RunEnd nameEnd{}, textEnd{};
  RecordingSink names, texts;
  RecordingErrors errors;
};

void Walk(const std::string& src, Runs& r) {
  zv::WalkCallbacks cb;
  cb.writeStdout = [&r](const std::string& t) { r.stdoutTexts.push_back(t); };
  cb.folderNotice = [&r](const std::string& t, const std::string& folder) {
    r.stdoutTexts.push_back(t);
    r.noticeFolders.push_back(folder);
  };
  zv::CollectFiles(src, "*.*", true, r.files, cb);
}

void RunNames(const std::string& src, const std::string& out, const zv::ConvertRows& rows, Runs& r) {
  std::atomic<int> running{1};
  CountingRows source(rows);
  zv::FileNameEngine names(r.files, src, out, {});
  r.nameEnd = names.Run(source, r.names, r.errors, running);
}

void RunTexts(const std::string& src, const std::string& out, const zv::ConvertRows& rows, Runs& r) {
  std::atomic<int> running{1};
  CountingRows source(rows);
  zv::FolderTextRunOptions options;
  options.isTextFile = [](const std::string&) { return true; };
  zv::FolderTextEngine texts(r.files, src, out, options, CodePage::Utf8);
  r.textEnd = texts.Run(source, r.texts, r.errors, running);
}

// Walks src, then runs both engines into out/names and out/texts.
Runs RunBoth(const std::string& src, const std::string& out, const zv::ConvertRows& rows) {
  Runs r;
  Walk(src, r);
  RunNames(src, out + "/names", rows, r);
  RunTexts(src, out + "/texts", rows, r);
  return r;
}

std::vector<std::string> Relative(const std::vector<std::string>& paths, const std::string& root) {
  std::vector<std::string> rel;
  for (const std::string& p : paths) rel.push_back(p.substr(root.size() + 1));
  return rel;
}

TEST(HostileTree, LinkLoopsAreNotFollowedAndLinksOutsideAreOnlyRead) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  WriteBytes(src + "/a.txt", "alpha");
  WriteBytes(dir / "outside/secret.txt", "alpha secret");
  fs::create_symlink(".", src + "/loop");
  fs::create_symlink("..", src + "/up");
  fs::create_symlink("self", src + "/self");
  fs::create_symlink("nowhere", src + "/dangling");
  fs::create_symlink("../outside/secret.txt", src + "/outside.txt");
  fs::create_symlink("../outside", src + "/outdir");
  const auto source = TreeState(src), outside = TreeState(dir / "outside");

  Watchdog watchdog(std::chrono::seconds(60));
  const Runs r = RunBoth(src, out, {{"alpha", "ALPHA"}});
  EXPECT_EQ(Relative(r.files, src), (std::vector<std::string>{"a.txt", "outside.txt"}));
  EXPECT_EQ(r.nameEnd, zv::RunEnd::Completed);
  EXPECT_EQ(r.textEnd, zv::RunEnd::Completed);
  EXPECT_EQ(TreeState(src), source);
  EXPECT_EQ(TreeState(dir / "outside"), outside);
  // The outputs are files of their own, never links into the source's surroundings.
  EXPECT_FALSE(fs::is_symlink(out + "/names/outside.txt"));
  EXPECT_EQ(ReadBytes(out + "/names/outside.txt"), "alpha secret");
  EXPECT_FALSE(fs::is_symlink(out + "/texts/outside.txt"));
  EXPECT_EQ(ReadBytes(out + "/texts/outside.txt"), "ALPHA secret\r\n");
  EXPECT_EQ(Files(out).size(), 4u);
}

TEST(HostileTree, SpecialFilesAreNeverOpened) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  WriteBytes(src + "/ok.txt", "fine");
  std::vector<std::string> special = {src + "/fifo", src + "/sub/sock", src + "/zero", src + "/fifolink"};
  ASSERT_EQ(::mkfifo(special[0].c_str(), 0644), 0);
  fs::create_directories(src + "/sub");
  {
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(special[1].size(), sizeof addr.sun_path);
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", special[1].c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);
  }
  fs::create_symlink("/dev/zero", special[2]);
  fs::create_symlink("fifo", special[3]);
  // A device node needs CAP_MKNOD; a link to one is tested in any case.
  const std::string device = src + "/sub/null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) special.push_back(device);

  FaultInjector seen;  // counts only: every path the file layer touches
  seen.Arm(0, 0);
  Watchdog watchdog(std::chrono::seconds(60));
  const Runs r = RunBoth(src, out, {{"fine", "good"}});
  EXPECT_EQ(Relative(r.files, src), std::vector<std::string>{"ok.txt"});
  EXPECT_EQ(r.nameEnd, zv::RunEnd::Completed);
  EXPECT_EQ(r.textEnd, zv::RunEnd::Completed);
  for (const FileOpSeen& op : seen.Seen())
    for (const std::string& s : special) EXPECT_NE(op.path, s) << OpName(op.op);
  EXPECT_EQ(Files(out),
            (std::map<std::string, std::string>{{"names/ok.txt", "fine"}, {"texts/ok.txt", "good\r\n"}}));
}

// Runs `body` in a child process without root's privileges (nobody), so that
// permission bits count; returns what the child wrote, or nullopt when the
// privileges could not be dropped.
std::optional<std::string> AsNobody(const std::function<std::string()>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    ::close(pipeFds[0]);
    int code = 0;
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                             ::setresuid(65534, 65534, 65534) != 0)) {
      code = 3;
    } else {
      const std::string out = body();
      if (::write(pipeFds[1], out.data(), out.size()) != static_cast<ssize_t>(out.size())) code = 4;
    }
    ::close(pipeFds[1]);
    ::_exit(code);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
    out.append(buf, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

TEST(HostileTree, UnreadableFolderDeepInTheTree) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  WriteBytes(src + "/a.txt", "a");
  WriteBytes(src + "/sub/b.txt", "b");
  WriteBytes(src + "/sub/deep/locked/hidden.txt", "hidden");
  WriteBytes(src + "/sub/deep/secret.txt", "secret");
  WriteBytes(src + "/sub/deep/zz/c.txt", "c");
  fs::create_directories(out);
  // Everything readable by others, except one folder and one file.
  for (const auto& e : fs::recursive_directory_iterator(dir.path()))
    fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
  fs::permissions(dir.path(), fs::perms(0755));
  ASSERT_EQ(::chown(out.c_str(), 65534, 65534), 0);
  fs::permissions(src + "/sub/deep/locked", fs::perms::none);
  fs::permissions(src + "/sub/deep/secret.txt", fs::perms::none);
  const auto source = TreeState(src);

  const auto report = AsNobody([&] {
    const Runs r = RunBoth(src, out, {{"c", "C"}});
    std::ostringstream s;
    for (const std::string& f : Relative(r.files, src)) s << "file " << f << "\n";
    s << "stdout " << r.stdoutTexts.size() << "\n";
    for (std::size_t i = 0; i < r.stdoutTexts.size(); ++i)
      s << "denied " << (r.stdoutTexts[i] == zv::texts::kAccessDeniedContinue) << " "
        << r.noticeFolders[i].substr(src.size()) << "\n";
    for (const zv::FileOutcome& o : r.names.outcomes)
      s << "name " << o.src.substr(src.size() + 1) << " " << FileActionName(o.action) << "\n";
    s << "nameEnd " << static_cast<int>(r.nameEnd) << "\n";
    for (const zv::FileOutcome& o : r.texts.outcomes)
      s << "text " << o.src.substr(src.size() + 1) << " " << FileActionName(o.action) << "\n";
    s << "textEnd " << static_cast<int>(r.textEnd) << "\n";
    for (const std::string& m : r.errors.messages) s << "message " << m << "\n";
    return s.str();
  });
  if (!report)
    GTEST_SKIP() << "cannot run a child without root's privileges here (setresuid to nobody failed)";

  const std::string want =
      "file a.txt\n"
      "file sub/b.txt\n"
      "file sub/deep/secret.txt\n"
      "file sub/deep/zz/c.txt\n"
      // The refused folder is announced, by its path, once for its files and
      // once for its subfolders.
      "stdout 2\ndenied 1 /sub/deep/locked\ndenied 1 /sub/deep/locked\n"
      "name a.txt copied\n"
      "name sub/b.txt copied\n"
      "name sub/deep/secret.txt failed\n"
      "name sub/deep/zz/c.txt copied\n"
      "nameEnd 0\n"
      "text a.txt converted\n"
      "text sub/b.txt converted\n"
      "text sub/deep/secret.txt failed\n"
      "text sub/deep/zz/c.txt converted\n"
      "textEnd 0\n"
      // Each run reports the file it could not read.
      "message " +
      src + "/sub/deep/secret.txt: " + zv::texts::kCauseAccessDenied + "\nmessage " + src +
      "/sub/deep/secret.txt: " + zv::texts::kCauseAccessDenied + "\n";
  EXPECT_EQ(*report, want);
  fs::permissions(src + "/sub/deep/locked", fs::perms(0755));
  fs::permissions(src + "/sub/deep/secret.txt", fs::perms(0644));
  EXPECT_EQ(TreeState(src), source);
  EXPECT_EQ(ReadBytes(out + "/names/sub/deep/zz/C.txt"), "c");
  EXPECT_EQ(ReadBytes(out + "/texts/sub/deep/zz/c.txt"), "C\r\n");  // the text run went on
  EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
}

// Changes a file the moment the file layer is about to read it for the n-th time.
class ChangeOnRead {
 public:
  ChangeOnRead(std::string path, int nth, std::function<void(const std::string&)> change)
      : m_path(std::move(path)), m_nth(nth), m_change(std::move(change)) {
    zv::SetFileFaultHook([this](zv::FileOp op, const std::string& p) {
      if (op == zv::FileOp::Read && p == m_path && ++m_reads == m_nth) m_change(m_path);
      return 0;
    });
  }
  ~ChangeOnRead() { zv::SetFileFaultHook(nullptr); }
  ChangeOnRead(const ChangeOnRead&) = delete;
  ChangeOnRead& operator=(const ChangeOnRead&) = delete;

 private:
  std::string m_path;
  int m_nth;
  int m_reads = 0;
  std::function<void(const std::string&)> m_change;
};

void Append(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

std::string Lines(const char* word, std::size_t count) {
  std::string s;
  for (std::size_t i = 0; i < count; ++i) s += std::string(word) + " " + std::to_string(i) + "\n";
  return s;
}

std::string FolderConversion(const std::string& bytes, const zv::ConvertRows& rows) {
  std::string text = zv::FolderTextFromBytes(bytes);
  zv::ApplyList(text, rows, CodePage::Utf8);
  return zv::TextModeEncode(text);
}

TEST(HostileTree, FilesThatGrowOrShrinkWhileRead) {
  const zv::ConvertRows rows{{"line", "LINE"}};
  const std::string start = Lines("line", 10000);  // about 100 KB
  const std::string more = Lines("more line", 20000);
  // Each engine reads the file with its own change: before its first read,
  // or once the first read has taken what was there.
  for (int nth : {1, 2}) {
    SCOPED_TRACE("change before read " + std::to_string(nth));
    for (bool grows : {true, false}) {
      ScratchDir dir;
      const std::string src = dir / "src", file = src + "/f.txt";
      auto change = [&](const std::string& p) {
        if (grows)
          Append(p, more);
        else
          ASSERT_EQ(::truncate(p.c_str(), 12), 0);
      };
      Runs r;
      WriteBytes(file, start);
      r.files = {file};
      {
        ChangeOnRead hook(file, nth, change);
        RunNames(src, dir / "names", rows, r);
      }
      const std::string afterCopy = *ReadBytes(file);
      WriteBytes(file, start);
      {
        ChangeOnRead hook(file, nth, change);
        RunTexts(src, dir / "texts", rows, r);
      }
      const std::string afterText = *ReadBytes(file);
      EXPECT_EQ(r.nameEnd, zv::RunEnd::Completed);
      EXPECT_EQ(r.textEnd, zv::RunEnd::Completed);
      // Growth is read up to the end it reaches; a file cut short before the
      // first read gives what is left, after it the whole of what was read.
      const std::string read = grows ? start + more : nth == 1 ? start.substr(0, 12) : start;
      EXPECT_EQ(afterCopy, grows ? start + more : start.substr(0, 12));
      EXPECT_EQ(afterText, afterCopy);
      EXPECT_EQ(ReadBytes(dir / "names/f.txt"), read) << grows;
      EXPECT_EQ(ReadBytes(dir / "texts/f.txt"), FolderConversion(read, rows)) << grows;
      EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
    }
  }
  // The single-file reader meets the end of a growing file too.
  ScratchDir dir;
  WriteBytes(dir / "g.txt", start);
  std::string text;
  {
    ChangeOnRead grow(dir / "g.txt", 1, [&](const std::string& p) { Append(p, more); });
    ASSERT_TRUE(zv::ReadSingleFileText(dir / "g.txt", text).ok);
  }
  EXPECT_EQ(text, zv::SingleFileTextFromBytes(start + more));
}

}  // namespace
}  // namespace zvtest
