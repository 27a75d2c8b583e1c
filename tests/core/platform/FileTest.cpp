#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "PlatformFixture.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace zv {
namespace {

using zvplatformtest::GetFile;
using zvplatformtest::Names;
using zvplatformtest::PutFile;
using zvplatformtest::TempDir;

// Sets a fault hook for one test and always takes it away again.
class FaultHook {
 public:
  explicit FaultHook(FileFaultHook hook) { SetFileFaultHook(std::move(hook)); }
  ~FaultHook() { SetFileFaultHook(nullptr); }
};

// Fails the n-th call of op (counting from 1) with err.
FileFaultHook FailOn(FileOp op, int err, int nth = 1) {
  auto count = std::make_shared<int>(0);
  return [=](FileOp o, const std::string&) { return o == op && ++*count == nth ? err : 0; };
}

class CodePageScope {
 public:
  explicit CodePageScope(CodePage cp) : saved_(ActiveCodePage()) { SetActiveCodePage(cp); }
  ~CodePageScope() { SetActiveCodePage(saved_); }

 private:
  CodePage saved_;
};

TEST(FileTest, TextModeDecodeAndEncode) {
  EXPECT_EQ(TextModeDecode("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(TextModeDecode("a\rb\r"), "a\rb\r");  // lone CRs stay
  EXPECT_EQ(TextModeDecode("a\r\r\nb"), "a\r\nb");
  EXPECT_EQ(TextModeDecode("a\nb"), "a\nb");
  EXPECT_EQ(TextModeDecode("ab\x1a"
                           "cd\r\n"),
            "ab");
  EXPECT_EQ(TextModeDecode("a\r\x1a\n"), "a\r");
  EXPECT_EQ(TextModeDecode(""), "");
  EXPECT_EQ(TextModeEncode("a\nb"), "a\r\nb");
  EXPECT_EQ(TextModeEncode("a\n\n"), "a\r\n\r\n");
  EXPECT_EQ(TextModeEncode("a\r\n"), "a\r\r\n");  // as the C runtime's text mode does
  EXPECT_EQ(TextModeEncode(""), "");
  EXPECT_EQ(TextModeDecode(TextModeEncode("x\ny\rz\n")), "x\ny\rz\n");
}

TEST(FileTest, ReadWholeFiles) {
  TempDir tmp;
  std::string big(300 * 1000, 'x');
  for (std::size_t i = 0; i < big.size(); i += 7) big[i] = static_cast<char>(i % 256);
  ASSERT_TRUE(PutFile(tmp / "big", big));
  ASSERT_TRUE(PutFile(tmp / "text",
                      "a\r\nb\x1a"
                      "c"));
  std::string out = "old";
  ASSERT_TRUE(ReadFileBytes(tmp / "big", out));
  EXPECT_EQ(out, big);
  ASSERT_TRUE(ReadTextModeFile(tmp / "text", out));
  EXPECT_EQ(out, "a\nb");
  ASSERT_TRUE(ReadFileBytes(tmp / "text", out));
  EXPECT_EQ(out,
            "a\r\nb\x1a"
            "c");

  FileResult r = ReadFileBytes(tmp / "none", out);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.op, FileOp::Open);
  EXPECT_EQ(r.err, ENOENT);
  EXPECT_EQ(r.path, tmp / "none");
  r = ReadFileBytes(tmp.path(), out);
  EXPECT_EQ(r.err, EISDIR);

  // A FIFO without a writer reads as empty instead of hanging.
  ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0644), 0);
  EXPECT_TRUE(ReadFileBytes(tmp / "fifo", out));
  EXPECT_EQ(out, "");

  FaultHook hook(FailOn(FileOp::Read, EIO));
  r = ReadFileBytes(tmp / "big", out);
  EXPECT_EQ(r.op, FileOp::Read);
  EXPECT_EQ(r.err, EIO);
}

TEST(FileTest, OpenFilesAreNotShared) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "f", "before"));
  const int fd = ::open((tmp / "f").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);

  std::string out;
  FileResult r = ReadFileBytes(tmp / "f", out);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.err, EWOULDBLOCK);
  r = WriteFileAtomic(tmp / "f", "after");
  EXPECT_FALSE(r);
  EXPECT_EQ(r.err, EWOULDBLOCK);
  r = CopyFileKeep(tmp / "f", tmp / "g", false);
  EXPECT_EQ(r.err, EWOULDBLOCK);
  EXPECT_TRUE(ReadFileBytesShared(tmp / "f", out));  // the profile reader takes no lock
  EXPECT_EQ(out, "before");
  ::close(fd);

  EXPECT_TRUE(WriteFileAtomic(tmp / "f", "after"));
  EXPECT_EQ(GetFile(tmp / "f"), "after");
  EXPECT_EQ(Names(tmp.path()), "f;");
}

TEST(FileTest, WriteFileAtomicReplacesAndKeepsAttributes) {
  TempDir tmp;
  const mode_t oldMask = ::umask(027);
  EXPECT_TRUE(WriteFileAtomic(tmp / "new", "a\nb", WriteMode::TextMode));
  ::umask(oldMask);
  EXPECT_EQ(GetFile(tmp / "new"), "a\r\nb");
  struct stat st;
  ASSERT_EQ(::stat((tmp / "new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  ASSERT_TRUE(PutFile(tmp / "kept", "old content that is longer", 0604));
  // Setuid and setgid are not carried over to the new content.
  ASSERT_EQ(::chmod((tmp / "kept").c_str(), 06604), 0);
  EXPECT_TRUE(WriteFileAtomic(tmp / "kept", "new"));
  EXPECT_EQ(GetFile(tmp / "kept"), "new");
  ASSERT_EQ(::stat((tmp / "kept").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);

  EXPECT_TRUE(WriteFileAtomic(tmp / "empty", ""));
  EXPECT_EQ(GetFile(tmp / "empty"), "");

  // A user's own file (the default) is written through a link: the link
  // stays, the file it names gets the content.
  ASSERT_EQ(::symlink("kept", (tmp / "link").c_str()), 0);
  EXPECT_TRUE(WriteFileAtomic(tmp / "link", "via link"));
  ASSERT_EQ(::lstat((tmp / "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(GetFile(tmp / "kept"), "via link");
  EXPECT_EQ(Names(tmp.path()), "empty;kept;link;new;");
}

TEST(FileTest, WriteFileAtomicRefusesBeforeWriting) {
  TempDir tmp;
  ASSERT_EQ(::mkdir((tmp / "dir").c_str(), 0755), 0);
  FileResult r = WriteFileAtomic(tmp / "dir", "x");
  EXPECT_EQ(r.op, FileOp::Open);
  EXPECT_EQ(r.err, EISDIR);
  r = WriteFileAtomic(tmp / "missing/f", "x");
  EXPECT_EQ(r.err, ENOENT);
  ASSERT_TRUE(PutFile(tmp / "plain", "p"));
  r = WriteFileAtomic(tmp / "plain/f", "x");
  EXPECT_EQ(r.err, ENOTDIR);
  r = WriteFileAtomic("", "x");
  EXPECT_FALSE(r);
  EXPECT_EQ(Names(tmp.path()), "dir;plain;");
  EXPECT_EQ(Names(tmp / "dir"), "");
}

TEST(FileTest, WriteFileAtomicFailureKeepsOldContentAndLeavesNoTemporaryFile) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "t", "old"));
  for (FileOp op : {FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    FaultHook hook(FailOn(op, ENOSPC));
    const FileResult r = WriteFileAtomic(tmp / "t", std::string(100000, 'n'));
    EXPECT_FALSE(r) << static_cast<int>(op);
    EXPECT_EQ(r.op, op);
    EXPECT_EQ(r.err, ENOSPC);
    EXPECT_EQ(r.path, tmp / "t");
    EXPECT_EQ(GetFile(tmp / "t"), "old");
    EXPECT_EQ(Names(tmp.path()), "t;");
  }
  // A new file that fails is not created at all.
  FaultHook hook(FailOn(FileOp::Write, EIO));
  EXPECT_FALSE(WriteFileAtomic(tmp / "u", "x"));
  EXPECT_EQ(Names(tmp.path()), "t;");
}

TEST(FileTest, FaultHookSeesEveryStep) {
  TempDir tmp;
  std::vector<FileOp> seen;
  {
    FaultHook hook([&](FileOp op, const std::string& path) {
      EXPECT_EQ(path.rfind(tmp.path(), 0), 0u);
      seen.push_back(op);
      return 0;
    });
    ASSERT_TRUE(WriteFileAtomic(tmp / "f", "x"));
    std::string out;
    ASSERT_TRUE(ReadFileBytes(tmp / "f", out));
    ASSERT_TRUE(CreateOneDirectory(tmp / "d"));
  }
  const std::vector<FileOp> expected = {FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Rename,
                                        FileOp::Open, FileOp::Read,  FileOp::Read,  FileOp::CreateDir};
  EXPECT_EQ(seen, expected);
}

TEST(FileTest, WriteToFifoGoesInPlace) {
  TempDir tmp;
  const std::string fifo = tmp / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // No reader: refused at once, and the FIFO is never replaced by a file.
  FileResult r = WriteFileAtomic(fifo, "x");
  EXPECT_EQ(r.err, ENXIO);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(WriteFileAtomic(fifo, "through"));
  char buf[16] = {};
  EXPECT_EQ(::read(reader, buf, sizeof buf), 7);
  EXPECT_STREQ(buf, "through");
  ::close(reader);
  struct stat st;
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Names(tmp.path()), "fifo;");
}

TEST(FileTest, CopyKeepsModeAndTime) {
  TempDir tmp;
  std::string data(2 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 131) >> 3);
  ASSERT_TRUE(PutFile(tmp / "src", data));
  // As cp without -p: a copy never carries setuid or setgid.
  ASSERT_EQ(::chmod((tmp / "src").c_str(), 06751), 0);
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 123456789}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (tmp / "src").c_str(), times, 0), 0);

  ASSERT_TRUE(CopyFileKeep(tmp / "src", tmp / "dst", true));
  EXPECT_EQ(GetFile(tmp / "dst"), data);
  struct stat st;
  ASSERT_EQ(::stat((tmp / "dst").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0751u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);

  // failIfExists leaves the destination alone.
  ASSERT_TRUE(PutFile(tmp / "other", "other"));
  FileResult r = CopyFileKeep(tmp / "src", tmp / "other", true);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.op, FileOp::Copy);
  EXPECT_EQ(r.err, EEXIST);
  EXPECT_EQ(GetFile(tmp / "other"), "other");
  ASSERT_TRUE(CopyFileKeep(tmp / "src", tmp / "other", false));
  EXPECT_EQ(GetFile(tmp / "other"), data);

  r = CopyFileKeep(tmp / "nosrc", tmp / "x", false);
  EXPECT_EQ(r.op, FileOp::Open);
  EXPECT_EQ(r.err, ENOENT);
  EXPECT_EQ(r.path, tmp / "nosrc");
  r = CopyFileKeep(tmp / "src", tmp / "nodir/x", false);
  EXPECT_EQ(r.err, ENOENT);
  EXPECT_EQ(r.path, tmp / "nodir/x");
  EXPECT_EQ(Names(tmp.path()), "dst;other;src;");
}

// A run's output replaces a link found at its destination; the file the link
// names, and the source behind it, are never written.
TEST(FileTest, CopiesAndRunOutputsReplaceALinkAtTheDestination) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "src", "source"));
  ASSERT_TRUE(PutFile(tmp / "victim", "victim"));
  for (const char* target : {"victim", "src", "nowhere"}) {
    SCOPED_TRACE(target);
    for (int way = 0; way < 2; ++way) {
      ::unlink((tmp / "dst").c_str());
      ASSERT_EQ(::symlink(target, (tmp / "dst").c_str()), 0);
      const FileResult r =
          way == 0 ? CopyFileKeep(tmp / "src", tmp / "dst", false)
                   : WriteFileAtomic(tmp / "dst", "source", WriteMode::Untranslated, LinkAtTarget::Replace);
      EXPECT_TRUE(r) << r.err;
      struct stat st;
      ASSERT_EQ(::lstat((tmp / "dst").c_str(), &st), 0);
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(GetFile(tmp / "dst"), "source");
      EXPECT_EQ(GetFile(tmp / "victim"), "victim");
      EXPECT_EQ(GetFile(tmp / "src"), "source");
    }
  }
}

// Inputs that have no business being large: a regular file up to the limit.
TEST(FileTest, InputFilesAreRegularAndBounded) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "fits", std::string(100, 'x')));
  ASSERT_TRUE(PutFile(tmp / "over", std::string(101, 'x')));
  ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0600), 0);
  std::string out;
  EXPECT_TRUE(ReadInputFile(tmp / "fits", out, 100));
  EXPECT_EQ(out, std::string(100, 'x'));
  const struct {
    std::string path;
    int err;
  } refused[] = {
      {tmp / "over", kRefusedTooLarge}, {tmp / "fifo", kRefusedNotAFile}, {"/dev/zero", kRefusedNotAFile}};
  for (const auto& c : refused) {
    const FileResult r = ReadInputFile(c.path, out, 100);
    EXPECT_EQ(r.op, FileOp::Refuse) << c.path;
    EXPECT_EQ(r.err, c.err) << c.path;
    EXPECT_EQ(r.path, c.path);
    EXPECT_TRUE(out.empty()) << c.path;
  }
}

TEST(FileTest, FailedCopyLeavesNoTrace) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "src", std::string(1 << 20, 's')));
  ASSERT_TRUE(PutFile(tmp / "dst", "keep"));
  for (FileOp op : {FileOp::Read, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    FaultHook hook(FailOn(op, ENOSPC));
    const FileResult r = CopyFileKeep(tmp / "src", tmp / "dst", false);
    EXPECT_EQ(r.op, op);
    EXPECT_EQ(GetFile(tmp / "dst"), "keep");
    EXPECT_EQ(Names(tmp.path()), "dst;src;");
  }
}

TEST(FileTest, CreateOneDirectory) {
  TempDir tmp;
  EXPECT_TRUE(CreateOneDirectory(tmp / "a"));
  struct stat st;
  ASSERT_EQ(::stat((tmp / "a").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  FileResult r = CreateOneDirectory(tmp / "a");
  EXPECT_EQ(r.op, FileOp::CreateDir);
  EXPECT_EQ(r.err, EEXIST);
  EXPECT_EQ(CreateOneDirectory(tmp / "x/y").err, ENOENT);
  FaultHook hook(FailOn(FileOp::CreateDir, EACCES));
  EXPECT_EQ(CreateOneDirectory(tmp / "b").err, EACCES);
  EXPECT_FALSE(PathFileExists(tmp / "b"));
}

std::string Listed(const DirListing& l) {
  std::string s;
  for (const DirEntry& e : l.entries)
    s += e.name + (e.kind == EntryKind::File ? ":f " : e.kind == EntryKind::Directory ? ":d " : ":o ");
  return s;
}

TEST(FileTest, ListDirectoryCodes) {
  TempDir tmp;
  EXPECT_EQ(ListDirectory(tmp / "missing", "*.*").code, kListPathNotFound);
  ASSERT_TRUE(PutFile(tmp / "plain", ""));
  EXPECT_EQ(ListDirectory(tmp / "plain", "*.*").code, kListPathNotFound);
  ASSERT_EQ(::mkdir((tmp / "empty").c_str(), 0755), 0);
  const DirListing empty = ListDirectory(tmp / "empty", "*.*");
  EXPECT_EQ(empty.code, kListNoMoreFiles);
  EXPECT_TRUE(empty.entries.empty());
  EXPECT_EQ(ListDirectory(tmp.path(), "*.none").code, kListFileNotFound);

  // Every kind of entry, listed with its kind and in byte order.
  ASSERT_EQ(::mkdir((tmp / "sub").c_str(), 0755), 0);
  ASSERT_TRUE(PutFile(tmp / ".hidden", ""));
  ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("plain", (tmp / "tofile").c_str()), 0);
  ASSERT_EQ(::symlink("sub", (tmp / "todir").c_str()), 0);
  ASSERT_EQ(::symlink("gone", (tmp / "dangling").c_str()), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = tmp / "sock";
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, sockPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  const DirListing all = ListDirectory(tmp.path(), "");
  ::close(sock);
  EXPECT_EQ(all.code, kListOk);
  EXPECT_EQ(Listed(all), ".hidden:f dangling:o empty:d fifo:o plain:f sock:o sub:d todir:o tofile:f ");
  EXPECT_EQ(Listed(ListDirectory("/dev", "null")), "null:o ");
}

TEST(FileTest, ListDirectoryMatchesPatterns) {
  TempDir tmp;
  for (const char* name : {"a.txt", "B.TXT", "README", "c.txt.bak", "ab.txt"})
    ASSERT_TRUE(PutFile(tmp / name, ""));
  EXPECT_EQ(Listed(ListDirectory(tmp.path(), "*.TXT")), "B.TXT:f a.txt:f ab.txt:f ");
  EXPECT_EQ(Listed(ListDirectory(tmp.path(), "?.txt")), "B.TXT:f a.txt:f ");
  EXPECT_EQ(Listed(ListDirectory(tmp.path(), "*.*")), "B.TXT:f README:f a.txt:f ab.txt:f c.txt.bak:f ");
  EXPECT_EQ(Listed(ListDirectory(tmp.path(), "read*")), "README:f ");
}

TEST(FileTest, MatchPatternIsCharacterAware) {
  {
    CodePageScope cp(CodePage::Cp932);
    const std::string a = "a\x83\x41.txt";  // aア.txt
    EXPECT_TRUE(MatchPattern(a, "a?.txt"));
    EXPECT_FALSE(MatchPattern(a, "a??.txt"));
    EXPECT_FALSE(MatchPattern(a, "*A.txt"));  // the trail byte 0x41 is no 'A'
    EXPECT_FALSE(MatchPattern("\x83\x61", "*A*"));
    EXPECT_TRUE(MatchPattern(a, "*\x83\x41*"));
    EXPECT_TRUE(MatchPattern("\x82\x60\x82\x61.TXT", "\x82\x81*.txt"));  // ＡＢ.TXT against ａ*.txt
    EXPECT_TRUE(MatchPattern("\x83\x5c", "?"));
  }
  {
    CodePageScope cp(CodePage::Utf8);
    EXPECT_TRUE(MatchPattern("a\xE3\x82\xA2.txt", "a?.txt"));
    EXPECT_FALSE(MatchPattern("a\xE3\x82\xA2.txt", "a???.txt"));
    EXPECT_TRUE(MatchPattern("\xEF\xBC\xA1", "\xEF\xBD\x81"));  // Ａ against ａ
  }
  EXPECT_TRUE(MatchPattern("README", "*.*"));
  EXPECT_TRUE(MatchPattern("README", ""));
  EXPECT_TRUE(MatchPattern("", "*"));
  EXPECT_FALSE(MatchPattern("README", "*.txt"));
  EXPECT_TRUE(MatchPattern("a.b.c", "*.c"));
  EXPECT_TRUE(MatchPattern("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchPattern("abc", "a*b*d"));
  EXPECT_TRUE(MatchPattern("mississippi", "*ss*ppi"));
  EXPECT_FALSE(MatchPattern("ab", "ab?"));
}

}  // namespace
}  // namespace zv
