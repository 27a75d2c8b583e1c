#include "platform/File.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/CodePage.h"
#include "platform/LineEnds.h"
#include "platform/Path.h"

namespace zv {

namespace {

std::mutex g_hookMutex;
std::shared_ptr<const FileFaultHook> g_hook;
std::atomic<bool> g_hasHook{false};

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }
  int Get() const { return fd_; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Stands in for opening without sharing. Only a lock held by someone else
// refuses the open; file systems without flock are used unlocked.
bool LockWhole(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno != EWOULDBLOCK;
  }
  return true;
}

// The system takes paths up to their first NUL byte, so a path holding one
// would name another file (a converted name "a<NUL>b.txt" would write "a").
bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// True when the flag was set and is now cleared.
bool ClearNonBlock(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Opens for reading without hanging on a FIFO that has no writer.
FileResult OpenForRead(const std::string& path, bool lock, UniqueFd& fd, struct stat& st) {
  if (HasNul(path)) return FileResult::Fail(FileOp::Open, EINVAL, path);
  if (int e = CheckFileFault(FileOp::Open, path)) return FileResult::Fail(FileOp::Open, e, path);
  fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.Get() < 0) return FileResult::Fail(FileOp::Open, errno, path);
  if (::fstat(fd.Get(), &st) != 0) return FileResult::Fail(FileOp::Open, errno, path);
  if (S_ISDIR(st.st_mode)) return FileResult::Fail(FileOp::Open, EISDIR, path);
  // O_NONBLOCK does nothing for regular files, so only others pay for clearing it.
  if (!S_ISREG(st.st_mode)) ClearNonBlock(fd.Get());
  if (lock && !LockWhole(fd.Get())) return FileResult::Fail(FileOp::Open, EWOULDBLOCK, path);
  return FileResult::Ok();
}

// Reads an open file to its end. Past maxBytes it is refused as too large:
// reading one byte more shows a file that grew past the limit meanwhile.
FileResult ReadToEnd(int fd, const struct stat& st, const std::string& path, std::string& out,
                     std::size_t maxBytes = SIZE_MAX) {
  // One read of size + 1 normally meets the end of a regular file at once.
  const std::size_t hint = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 0;
  for (;;) {
    if (int e = CheckFileFault(FileOp::Read, path)) return FileResult::Fail(FileOp::Read, e, path);
    const std::size_t have = out.size();
    if (have > maxBytes) {
      out.clear();
      return FileResult::Fail(FileOp::Refuse, kRefusedTooLarge, path);
    }
    // The last byte of the hint finds the end within the buffer: asking for
    // more would reallocate and copy the whole file.
    std::size_t chunk = hint > have ? hint - have : 64 * 1024;
    if (maxBytes != SIZE_MAX) chunk = std::min(chunk, maxBytes + 1 - have);
    out.resize(have + chunk);
    const ssize_t n = ::read(fd, out.data() + have, chunk);
    out.resize(have + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      // A file system that honours the flag on regular files after all.
      if (errno == EAGAIN && S_ISREG(st.st_mode) && ClearNonBlock(fd)) continue;
      return FileResult::Fail(FileOp::Read, errno, path);
    }
  }
  return FileResult::Ok();
}

FileResult ReadAll(const std::string& path, std::string& out, bool lock) {
  out.clear();
  UniqueFd fd;
  struct stat st;
  if (FileResult r = OpenForRead(path, lock, fd, st); !r) return r;
  return ReadToEnd(fd.Get(), st, path, out);
}

constexpr std::string_view kTempPrefix = ".zv-tmp-";

// The process's pid, asked again in a forked child: its files must carry its
// own, or they would pass for its parent's while that lives.
std::atomic<pid_t> g_pid{0};

pid_t OwnPid() {
  pid_t pid = g_pid.load(std::memory_order_relaxed);
  if (pid == 0) {
    static const bool watched = ::pthread_atfork(nullptr, nullptr, [] { g_pid.store(0); }) == 0;
    pid = ::getpid();
    if (watched) g_pid.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

// Unique within the process by the counter and between processes by the pid;
// O_EXCL settles any clash with a stale file.
std::string TempSuffix() {
  static std::atomic<unsigned long long> counter{0};
  char s[40];
  std::snprintf(s, sizeof s, "%llx-%llx", static_cast<unsigned long long>(OwnPid()),
                counter.fetch_add(1, std::memory_order_relaxed));
  return s;
}

// The temporary files under way, so that a process ending by a signal can
// remove them. A path is noted before the file is created; the end waits
// for creations in progress, so none is made behind its back. The paths are
// the writers' own strings, left unchanged while they are noted.
class Temporaries {
 public:
  // False once the process is ending: no file may be created.
  bool BeginCreate(const std::string* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closing) return false;
    m_paths.push_back(path);
    ++m_creating;
    return true;
  }
  // False when the process began to end meanwhile: the caller removes its file.
  bool EndCreate(const std::string* path, bool made) {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_creating;
    if (!made || m_closing) EraseLocked(path);
    m_cv.notify_all();
    return !m_closing;
  }
  void Forget(const std::string* path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    EraseLocked(path);
  }
  void RemoveAllAndClose() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_closing = true;
    m_cv.wait(lock, [this] { return m_creating == 0; });
    for (const std::string* path : m_paths) ::unlink(path->c_str());
    m_paths.clear();
  }

 private:
  void EraseLocked(const std::string* path) {
    auto it = std::find(m_paths.begin(), m_paths.end(), path);
    if (it == m_paths.end()) return;
    *it = m_paths.back();
    m_paths.pop_back();
  }

  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_closing = false;
  int m_creating = 0;
  std::vector<const std::string*> m_paths;  // as many as writers under way
};

// Never destroyed: a signal may end the process while static objects go.
Temporaries& LiveTemporaries() {
  static Temporaries* temporaries = new Temporaries;
  return *temporaries;
}

// The destination as the caller already looked at it with lstat, so the
// writer need not look again.
struct KnownTarget {
  bool exists = false;
  int err = 0;  // errno of the lstat when it failed
  struct stat st {};
};

// Writes a new version of a file beside it and renames it over the target,
// so that readers see either the old or the whole new content. Targets that
// are not regular files (devices, FIFOs) are written in place: renaming over
// them would replace the device node.
class ReplaceWriter {
 public:
  ReplaceWriter(std::string path, LinkAtTarget link) : path_(std::move(path)), link_(link) {}
  ReplaceWriter(const ReplaceWriter&) = delete;
  ReplaceWriter& operator=(const ReplaceWriter&) = delete;
  ~ReplaceWriter() {
    fd_.Reset();
    if (tmp_.empty()) return;
    if (!committed_) ::unlink(tmp_.c_str());
    LiveTemporaries().Forget(&tmp_);
  }

  FileResult Begin(const KnownTarget* known = nullptr, bool lockTarget = true) {
    if (path_.empty()) return Fail(FileOp::Open, ENOENT);
    if (HasNul(path_)) return Fail(FileOp::Open, EINVAL);
    std::string target = path_;
    struct stat st;
    bool exists;
    if (known) {
      exists = known->exists;
      st = known->st;
      if (!exists && known->err != ENOENT) return Fail(FileOp::Open, known->err);
    } else {
      exists = ::lstat(target.c_str(), &st) == 0;
      if (!exists && errno != ENOENT) return Fail(FileOp::Open, errno);
    }
    if (exists && S_ISLNK(st.st_mode) && link_ == LinkAtTarget::Follow) {
      // Write through the link to the file it names; a dangling link is replaced.
      if (::stat(target.c_str(), &st) == 0) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
          target = real;
          std::free(real);
        }
      } else {
        ::lstat(target.c_str(), &st);
      }
    }
    if (exists && !S_ISLNK(st.st_mode)) {
      if (S_ISDIR(st.st_mode)) return Fail(FileOp::Open, EISDIR);
      if (::access(target.c_str(), W_OK) != 0) return Fail(FileOp::Open, errno);
      if (!S_ISREG(st.st_mode)) return OpenInPlace(target);
      keepMode_ = st.st_mode & 07777 & ~mode_t{S_ISUID | S_ISGID};
      keepOwner_ = true;
      uid_ = st.st_uid;
      gid_ = st.st_gid;
      // Another opener's lock on the target refuses the write, as a file
      // opened without sharing would.
      if (lockTarget) {
        lock_.Reset(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (lock_.Get() >= 0 && !LockWhole(lock_.Get())) return Fail(FileOp::Open, EWOULDBLOCK);
      }
    }
    // A missing, unwritable or non-folder parent fails the create below with
    // the same errno that a look beforehand would have given.
    if (int e = CheckFileFault(FileOp::Open, path_)) return Fail(FileOp::Open, e);
    const std::string prefix = AddBackslash(SplitPath(target).dir) + ".zv-tmp-";
    for (int attempt = 0; attempt < 100; ++attempt) {
      tmp_ = prefix + TempSuffix();
      // The process is ending by a signal: nothing more is written.
      if (!LiveTemporaries().BeginCreate(&tmp_)) {
        tmp_.clear();
        return Fail(FileOp::Open, EINTR);
      }
      fd_.Reset(::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
      const int err = errno;
      const bool made = fd_.Get() >= 0;
      if (!LiveTemporaries().EndCreate(&tmp_, made)) {
        if (made) ::unlink(tmp_.c_str());
        fd_.Reset();
        tmp_.clear();
        return Fail(FileOp::Open, EINTR);
      }
      if (made) break;
      tmp_.clear();
      if (err != EEXIST) return Fail(FileOp::Open, err);
    }
    if (tmp_.empty()) return Fail(FileOp::Open, EEXIST);
    target_ = std::move(target);
    if (keepMode_ && ::fchmod(fd_.Get(), *keepMode_) != 0) return Fail(FileOp::Open, errno);
    if (keepOwner_) {
      struct stat tst;
      if (::fstat(fd_.Get(), &tst) == 0 && (tst.st_uid != uid_ || tst.st_gid != gid_)) {
        if (::fchown(fd_.Get(), uid_, gid_) == 0 && keepMode_) ::fchmod(fd_.Get(), *keepMode_);
      }
    }
    return FileResult::Ok();
  }

  int Fd() const { return fd_.Get(); }
  bool InPlace() const { return inPlace_; }

  FileResult Write(const char* p, std::size_t n) {
    while (n > 0) {
      if (int e = CheckFileFault(FileOp::Write, path_)) return Fail(FileOp::Write, e);
      const ssize_t w = ::write(fd_.Get(), p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        return Fail(FileOp::Write, errno);
      }
      if (w == 0) return Fail(FileOp::Write, ENOSPC);
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    return FileResult::Ok();
  }

  // noReplace: never overwrite a target that appeared meanwhile (EEXIST).
  FileResult Commit(bool noReplace) {
    if (int e = CheckFileFault(FileOp::Flush, path_)) return Fail(FileOp::Flush, e);
    // close() reports write-back errors of some file systems: a failed close
    // is a failed write.
    if (::close(fd_.Release()) != 0) return Fail(FileOp::Flush, errno);
    if (inPlace_) return FileResult::Ok();
    if (int e = CheckFileFault(FileOp::Rename, path_)) return Fail(FileOp::Rename, e);
    if (noReplace) {
      if (::renameat2(AT_FDCWD, tmp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) return Fail(FileOp::Copy, EEXIST);
        if (errno != EINVAL && errno != ENOSYS) return Fail(FileOp::Rename, errno);
        // File systems without RENAME_NOREPLACE: link() never replaces either.
        if (::link(tmp_.c_str(), target_.c_str()) != 0)
          return Fail(errno == EEXIST ? FileOp::Copy : FileOp::Rename, errno);
        ::unlink(tmp_.c_str());
      }
    } else if (::rename(tmp_.c_str(), target_.c_str()) != 0) {
      return Fail(FileOp::Rename, errno);
    }
    committed_ = true;
    LiveTemporaries().Forget(&tmp_);
    return FileResult::Ok();
  }

 private:
  FileResult Fail(FileOp op, int err) const { return FileResult::Fail(op, err, path_); }

  FileResult OpenInPlace(const std::string& target) {
    if (int e = CheckFileFault(FileOp::Open, path_)) return Fail(FileOp::Open, e);
    fd_.Reset(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd_.Get() < 0) return Fail(FileOp::Open, errno);
    inPlace_ = true;
    return FileResult::Ok();
  }

  std::string path_;  // as the caller gave it; used in every result
  LinkAtTarget link_;
  std::string target_;  // the file actually replaced (links followed or not)
  std::string tmp_;
  UniqueFd fd_;
  UniqueFd lock_;
  std::optional<mode_t> keepMode_;
  bool keepOwner_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool inPlace_ = false;
  bool committed_ = false;
};

int ListCodeOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return kListPathNotFound;
    case EACCES:
    case EPERM:
      return kListAccessDenied;
    case ENODEV:
    case ENXIO:
    case EIO:
      return kListNotReady;
    default:
      return kListSystemErrorBase + err;
  }
}

EntryKind KindOf(int dirFd, const struct dirent* e) {
  unsigned char type = e->d_type;
  struct stat st;
  if (type == DT_UNKNOWN) {
    if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
    if (S_ISREG(st.st_mode)) return EntryKind::File;
    if (S_ISDIR(st.st_mode)) return EntryKind::Directory;
    if (!S_ISLNK(st.st_mode)) return EntryKind::Other;
    type = DT_LNK;
  }
  switch (type) {
    case DT_REG:
      return EntryKind::File;
    case DT_DIR:
      return EntryKind::Directory;
    case DT_LNK:
      // A link counts as a file when it leads to one; links to folders are
      // never descended into, so they are neither files nor folders.
      return ::fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode) ? EntryKind::File
                                                                             : EntryKind::Other;
    default:
      return EntryKind::Other;
  }
}

}  // namespace

FileResult ReadFileBytes(const std::string& path, std::string& out) { return ReadAll(path, out, true); }

FileResult ReadFileBytesShared(const std::string& path, std::string& out) {
  return ReadAll(path, out, false);
}

FileResult ReadInputFile(const std::string& path, std::string& out, std::size_t maxBytes) {
  out.clear();
  UniqueFd fd;
  struct stat st;
  if (FileResult r = OpenForRead(path, true, fd, st); !r) return r;
  if (!S_ISREG(st.st_mode)) return FileResult::Fail(FileOp::Refuse, kRefusedNotAFile, path);
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
    return FileResult::Fail(FileOp::Refuse, kRefusedTooLarge, path);
  return ReadToEnd(fd.Get(), st, path, out, maxBytes);
}

FileResult ReadTextModeFile(const std::string& path, std::string& out) {
  FileResult r = ReadFileBytes(path, out);
  TextModeDecodeInPlace(out);
  return r;
}

void CutAtTextModeEnd(std::string& text) {
  if (const void* eof = std::memchr(text.data(), 0x1A, text.size()))
    text.resize(static_cast<std::size_t>(static_cast<const char*>(eof) - text.data()));
}

void TextModeDecodeInPlace(std::string& text) {
  CutAtTextModeEnd(text);
  text.resize(CrLfToLfInPlace(text.data(), text.size()));
}

std::string TextModeDecode(std::string_view raw) {
  std::string out(raw);
  TextModeDecodeInPlace(out);
  return out;
}

std::string TextModeEncode(std::string_view text) {
  std::string out(text.size() + CountLf(text), '\0');
  out.resize(LfToCrLf(text, out.data()));
  return out;
}

FileResult WriteFileAtomic(const std::string& path, std::string_view data, WriteMode mode,
                           LinkAtTarget link) {
  // Left uninitialised: every byte of it is written before it is used.
  std::unique_ptr<char[]> encoded;
  if (mode == WriteMode::TextMode) {
    encoded.reset(new char[data.size() + CountLf(data)]);
    data = std::string_view(encoded.get(), LfToCrLf(data, encoded.get()));
  }
  ReplaceWriter w(path, link);
  if (FileResult r = w.Begin(); !r) return r;
  if (FileResult r = w.Write(data.data(), data.size()); !r) return r;
  return w.Commit(false);
}

FileReader::~FileReader() {
  if (m_fd >= 0) ::close(m_fd);
}

FileResult FileReader::Open(const std::string& path) {
  UniqueFd fd;
  struct stat st;
  if (FileResult r = OpenForRead(path, true, fd, st); !r) return r;
  if (m_fd >= 0) ::close(m_fd);
  m_fd = fd.Release();
  m_regular = S_ISREG(st.st_mode);
  m_path = path;
  return FileResult::Ok();
}

FileResult FileReader::Read(std::string& out, std::size_t n, std::size_t& got) {
  got = 0;
  const std::size_t have = out.size();
  for (;;) {
    if (int e = CheckFileFault(FileOp::Read, m_path)) return FileResult::Fail(FileOp::Read, e, m_path);
    out.resize(have + n);
    const ssize_t r = ::read(m_fd, out.data() + have, n);
    out.resize(have + static_cast<std::size_t>(std::max<ssize_t>(r, 0)));
    if (r >= 0) {
      got = static_cast<std::size_t>(r);
      return FileResult::Ok();
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN && m_regular && ClearNonBlock(m_fd)) continue;
    return FileResult::Fail(FileOp::Read, errno, m_path);
  }
}

FileResult FileReader::Rewind() {
  if (::lseek(m_fd, 0, SEEK_SET) != 0) return FileResult::Fail(FileOp::Read, errno, m_path);
  return FileResult::Ok();
}

bool FileReader::Holds(const std::string& path) const {
  struct stat mine, theirs;
  return m_fd >= 0 && !HasNul(path) && ::fstat(m_fd, &mine) == 0 && ::stat(path.c_str(), &theirs) == 0 &&
         mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

struct PartWriter::Impl {
  Impl(std::string path, LinkAtTarget link) : writer(std::move(path), link) {}
  ReplaceWriter writer;
};

PartWriter::PartWriter(std::string path, LinkAtTarget link)
    : m_impl(std::make_unique<Impl>(std::move(path), link)) {}

PartWriter::~PartWriter() = default;

FileResult PartWriter::Begin(bool sourceLocked) { return m_impl->writer.Begin(nullptr, !sourceLocked); }

FileResult PartWriter::Write(std::string_view data) { return m_impl->writer.Write(data.data(), data.size()); }

FileResult PartWriter::Commit() { return m_impl->writer.Commit(false); }

FileResult ProbeWrite(const std::string& path) {
  ReplaceWriter w(path, LinkAtTarget::Follow);
  return w.Begin();  // the temporary file goes with w
}

FileResult CopyFileKeep(const std::string& src, const std::string& dst, bool failIfExists) {
  if (HasNul(dst)) return FileResult::Fail(FileOp::Open, EINVAL, dst);
  // One look at the destination serves both the exists rule and the writer.
  KnownTarget known;
  known.exists = !dst.empty() && ::lstat(dst.c_str(), &known.st) == 0;
  known.err = known.exists ? 0 : dst.empty() ? ENOENT : errno;
  if (failIfExists && known.exists) return FileResult::Fail(FileOp::Copy, EEXIST, dst);
  UniqueFd in;
  struct stat st;
  if (FileResult r = OpenForRead(src, true, in, st); !r) return r;
  ReplaceWriter w(dst, LinkAtTarget::Replace);
  if (FileResult r = w.Begin(&known); !r) return r;

  // Copies to the end the file has when the copy meets it, not to the size
  // seen at the open: a file that grows meanwhile is copied as the text run
  // would read it. That costs one call that only finds the end.
  bool kernelCopy = S_ISREG(st.st_mode) && !w.InPlace();
  std::unique_ptr<char[]> buf;
  constexpr std::size_t kChunk = 256 * 1024;
  for (;;) {
    if (int e = CheckFileFault(FileOp::Read, src)) return FileResult::Fail(FileOp::Read, e, src);
    if (kernelCopy) {
      if (int e = CheckFileFault(FileOp::Write, dst)) return FileResult::Fail(FileOp::Write, e, dst);
      const ssize_t n = ::copy_file_range(in.Get(), nullptr, w.Fd(), nullptr, 1u << 30, 0);
      if (n > 0) continue;
      if (n == 0) break;
      if (errno == EINTR) continue;
      if (errno == EAGAIN && ClearNonBlock(in.Get())) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
        return FileResult::Fail(FileOp::Write, errno, dst);
      kernelCopy = false;  // offsets stay consistent: go on with read/write
      continue;
    }
    if (!buf) buf = std::make_unique<char[]>(kChunk);
    const ssize_t n = ::read(in.Get(), buf.get(), kChunk);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN && S_ISREG(st.st_mode) && ClearNonBlock(in.Get())) continue;
      return FileResult::Fail(FileOp::Read, errno, src);
    }
    if (FileResult r = w.Write(buf.get(), static_cast<std::size_t>(n)); !r) return r;
  }
  if (!w.InPlace()) {
    // As cp without -p: a copy made by root never hands out root's rights.
    const mode_t mode = st.st_mode & 07777 & ~mode_t{S_ISUID | S_ISGID};
    if (::fchmod(w.Fd(), mode) != 0) return FileResult::Fail(FileOp::Write, errno, dst);
    const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    if (::futimens(w.Fd(), times) != 0) return FileResult::Fail(FileOp::Write, errno, dst);
  }
  return w.Commit(failIfExists);
}

bool IsTemporaryName(std::string_view name) {
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return false;
  name.remove_prefix(kTempPrefix.size());
  const std::size_t dash = name.find('-');
  auto hex = [](std::string_view part) {
    return !part.empty() && part.size() <= 16 &&
           part.find_first_not_of("0123456789abcdef") == std::string_view::npos;
  };
  return dash != std::string_view::npos && hex(name.substr(0, dash)) && hex(name.substr(dash + 1));
}

void RemoveStaleTemporaries(const std::string& folder) {
  if (HasNul(folder)) return;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  const int dirFd = ::dirfd(dir);
  const pid_t self = OwnPid();
  while (const struct dirent* e = ::readdir(dir)) {
    if (!IsTemporaryName(e->d_name)) continue;
    const pid_t pid = static_cast<pid_t>(std::strtoull(e->d_name + kTempPrefix.size(), nullptr, 16));
    // A pid of ours may be an earlier process's, but our own files are not
    // told apart from it: they stay. EPERM means the process lives.
    if (pid <= 0 || pid == self || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(dirFd, e->d_name, 0);
  }
  ::closedir(dir);
}

void RemoveTemporariesForExit() { LiveTemporaries().RemoveAllAndClose(); }

FileResult CreateOneDirectory(const std::string& path) {
  if (path.empty()) return FileResult::Fail(FileOp::CreateDir, ENOENT, path);
  if (HasNul(path)) return FileResult::Fail(FileOp::CreateDir, EINVAL, path);
  if (int e = CheckFileFault(FileOp::CreateDir, path)) return FileResult::Fail(FileOp::CreateDir, e, path);
  if (::mkdir(path.c_str(), 0777) != 0) return FileResult::Fail(FileOp::CreateDir, errno, path);
  return FileResult::Ok();
}

DirListing ListDirectory(const std::string& folder, std::string_view pattern) {
  DirListing listing;
  if (HasNul(folder)) {
    listing.err = EINVAL;
    listing.code = kListSystemErrorBase + EINVAL;
    return listing;
  }
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) {
    listing.err = errno;
    listing.code = ListCodeOf(listing.err);
    return listing;
  }
  const int dirFd = ::dirfd(dir);
  bool any = false;
  for (;;) {
    errno = 0;
    const struct dirent* e = ::readdir(dir);
    if (!e) break;  // the end, or a failure midway: keep what was listed
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    any = true;
    if (!MatchPattern(name, pattern)) continue;
    listing.entries.push_back({std::string(name), KindOf(dirFd, e)});
  }
  ::closedir(dir);
  if (!any) {
    listing.code = kListNoMoreFiles;
  } else if (listing.entries.empty()) {
    listing.code = kListFileNotFound;
    listing.err = ENOENT;
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return listing;
}

namespace {

// The pattern folded in one encoding of names; a listing asks for the same
// one name after name, so the last conversion is kept.
const std::optional<std::string>& FoldedPatternIn(std::string_view pattern, CodePage cp) {
  struct Last {
    std::string pattern;
    CodePage active = CodePage::Utf8;
    std::optional<std::string> folded;
    bool set = false;
  };
  thread_local Last last[2];
  Last& l = last[cp == CodePage::Cp932 ? 0 : 1];
  if (!l.set || l.pattern != pattern || l.active != ActiveCodePage()) {
    l.pattern = std::string(pattern);
    l.active = ActiveCodePage();
    l.folded = ActiveTextIn(pattern, cp);
    if (l.folded) *l.folded = FoldCase(*l.folded, cp);
    l.set = true;
  }
  return l.folded;
}

}  // namespace

bool HasVisibleSubfolder(const std::string& folder, std::size_t maxEntries) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  const int dirFd = ::dirfd(dir);
  bool found = false;
  std::size_t seen = 0;
  while (const struct dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    if (++seen > maxEntries) {
      found = true;  // not looked at further: say there may be one
      break;
    }
    struct stat st;
    if (e->d_type == DT_DIR || ((e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) &&
                                ::fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

bool MatchPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty() || pattern == "*.*") return true;
  // The pattern is text of the active code page; a name meets it in the
  // name's own encoding, and no name of an encoding that cannot express the
  // pattern matches it.
  const CodePage cp = NameCodePage(name);
  const std::optional<std::string>& folded = FoldedPatternIn(pattern, cp);
  if (!folded) return false;
  const std::string n = FoldCase(name, cp);
  const std::string& p = *folded;
  // Greedy match with one backtrack point at the last '*', stepping whole
  // characters so that '?' never takes half of a double-byte character.
  std::size_t i = 0, j = 0;
  std::size_t starJ = std::string::npos, starI = 0;
  while (i < n.size()) {
    if (j < p.size() && p[j] == '?') {
      i = NextChar(n, i, cp);
      ++j;
      continue;
    }
    if (j < p.size() && p[j] == '*') {
      starJ = j++;
      starI = i;
      continue;
    }
    if (j < p.size()) {
      const std::size_t len = CharLen(p, j, cp);
      if (CharLen(n, i, cp) == len && n.compare(i, len, p, j, len) == 0) {
        i += len;
        j += len;
        continue;
      }
    }
    if (starJ == std::string::npos) return false;
    j = starJ + 1;
    starI = NextChar(n, starI, cp);
    i = starI;
  }
  while (j < p.size() && p[j] == '*') ++j;
  return j == p.size();
}

void SetFileFaultHook(FileFaultHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  if (hook) {
    g_hook = std::make_shared<const FileFaultHook>(std::move(hook));
    g_hasHook.store(true, std::memory_order_release);
  } else {
    g_hasHook.store(false, std::memory_order_release);
    g_hook.reset();
  }
}

int CheckFileFault(FileOp op, const std::string& path) {
  if (!g_hasHook.load(std::memory_order_acquire)) return 0;
  std::shared_ptr<const FileFaultHook> hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_hook;
  }
  return hook && *hook ? (*hook)(op, path) : 0;
}

}  // namespace zv
