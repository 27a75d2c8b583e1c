#pragma once
// Temporary folders and raw file helpers for the platform tests, written with
// plain system calls so that they do not lean on the code under test.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace zvplatformtest {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/zv-platform-XXXXXX";
    if (char* made = ::mkdtemp(templ.data())) path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

inline bool PutFile(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  if (fd < 0) return false;
  const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

inline std::string GetFile(const std::string& path) {
  std::string out;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return "<missing>";
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return out;
}

// Names in a folder, sorted, "." and ".." left out.
inline std::string Names(const std::string& folder) {
  std::string names;
  std::vector<std::string> v;
  for (const auto& e : std::filesystem::directory_iterator(folder)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  for (const auto& n : v) names += n + ";";
  return names;
}

}  // namespace zvplatformtest
