#pragma once
// Shared pieces of the fuzz targets: a loud check, files in memory, a
// scratch folder on tmpfs and a small alphabet that makes matches likely.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace zvfuzz {

// A failed property is a finding: print it and crash so libFuzzer keeps the input.
#define ZV_FUZZ_CHECK(cond)                                                                \
  do {                                                                                     \
    if (!(cond)) {                                                                         \
      std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                        \
    }                                                                                      \
  } while (0)

// A file that lives in memory, reachable by path, so the real readers (open,
// lock, read) run without touching a disk.
class MemFile {
 public:
  explicit MemFile(std::string_view data) {
    fd_ = ::memfd_create("zv-fuzz", MFD_CLOEXEC);
    if (fd_ < 0) std::abort();
    for (std::size_t done = 0; done < data.size();) {
      const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
      if (n <= 0) std::abort();
      done += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemFile() { ::close(fd_); }
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// One folder per process on tmpfs for targets that must write real files.
inline const std::string& ScratchFolder() {
  // Never destroyed, so the clean-up at exit still has the name.
  static const std::string* const folder = [] {
    std::string templ = "/dev/shm/zv-fuzz-XXXXXX";
    if (!::mkdtemp(templ.data())) {
      templ = "/tmp/zv-fuzz-XXXXXX";
      if (!::mkdtemp(templ.data())) std::abort();
    }
    auto* made = new std::string(templ);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchFolder(), ec);
    });
    return made;
  }();
  return *folder;
}

// Maps every byte onto 16 symbols chosen to meet the boundary rules of both
// code pages: ASCII letters of both cases, the separators, CP932 lead and
// trail bytes (0x83 followed by the backslash is one character), full-width
// letters and UTF-8 lead and continuation bytes.
inline std::string SmallAlphabet(std::string_view in) {
  static constexpr char kSymbols[16] = {'a',    'b',    'A',    '\\',   '"',    ',',    '\n',   '\r',
                                        '\x83', '\x81', '\x82', '\x60', '\xEF', '\xBC', '\xA1', '\xE3'};
  std::string out(in.size(), '\0');
  for (std::size_t i = 0; i < in.size(); ++i) out[i] = kSymbols[static_cast<unsigned char>(in[i]) & 15];
  return out;
}

}  // namespace zvfuzz
