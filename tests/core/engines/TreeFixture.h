#pragma once
// Folder trees in fresh temporary folders, snapshots of them, and recording
// sinks for the folder run engines.

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "filename/RunInterfaces.h"
#include "platform/CodePage.h"

namespace zvtest {

namespace fs = std::filesystem;

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/zv-engines-XXXXXX";
    if (char* made = ::mkdtemp(templ.data())) m_path = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) fs::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  // path() + "/" + rel
  std::string operator/(const std::string& rel) const { return m_path + "/" + rel; }

 private:
  std::string m_path;
};

// Sets the active code page for one test and puts the previous one back,
// also when an assertion leaves the test early.
class CodePageScope {
 public:
  explicit CodePageScope(zv::CodePage cp) : m_saved(zv::ActiveCodePage()) { zv::SetActiveCodePage(cp); }
  ~CodePageScope() { zv::SetActiveCodePage(m_saved); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;

 private:
  zv::CodePage m_saved;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline bool IsDir(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}
inline bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Every entry below root: relative path -> kind and contents (files) or target (links).
using TreeSnapshot = std::map<std::string, std::string>;
inline TreeSnapshot Snapshot(const std::string& root) {
  TreeSnapshot snap;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = fs::relative(it->path(), root).string();
    const auto st = it->symlink_status();
    if (fs::is_symlink(st)) {
      snap[rel] = "link:" + fs::read_symlink(it->path()).string();
    } else if (fs::is_directory(st)) {
      snap[rel] = "dir";
    } else if (fs::is_regular_file(st)) {
      snap[rel] = "file:" + ReadBytes(it->path().string()).value_or("<unreadable>");
    } else {
      snap[rel] = "other";
    }
  }
  return snap;
}

// Records the progress protocol as text lines, e.g. "src:...", "pct:0", "finished".
class RecordingSink : public zv::ProgressSink {
 public:
  void ShowSrcFile(const std::string& label) override { Add("src:" + label); }
  void ShowDstFile(const std::string& label) override { Add("dst:" + label); }
  void ShowProgress(int percent) override { Add("pct:" + std::to_string(percent)); }
  void RunFinished() override { Add("finished"); }
  void RunNotice(const std::string& message) override { Add("notice:" + message); }
  void FileDone(const zv::FileOutcome& o) override {
    outcomes.push_back(o);
    if (onFileDone) onFileDone(o);
  }

  std::vector<std::string> Percents() const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.rfind("pct:", 0) == 0) out.push_back(e);
    return out;
  }

  std::vector<std::string> events;
  std::vector<zv::FileOutcome> outcomes;
  std::function<void(const std::string&)> onEvent;  // called after recording
  std::function<void(const zv::FileOutcome&)> onFileDone;

 private:
  void Add(std::string e) {
    events.push_back(e);
    if (onEvent) onEvent(e);
  }
};

class RecordingErrors : public zv::ErrorSink {
 public:
  void ShowFileError(const std::string& message) override { messages.push_back(message); }
  std::vector<std::string> messages;
};

// Hands out fixed rows and counts how often it was asked; may run a hook.
class CountingRows : public zv::RowSource {
 public:
  explicit CountingRows(zv::ConvertRows rows)
      : m_rows(std::make_shared<const zv::ConvertRows>(std::move(rows))) {}
  zv::SharedRows GetRows() override {
    ++calls;
    if (onGetRows) onGetRows(calls);
    return m_rows;
  }
  int calls = 0;
  std::function<void(int call)> onGetRows;

 private:
  zv::SharedRows m_rows;
};

inline zv::ConvertRows Rows(std::initializer_list<std::pair<std::string, std::string>> pairs) {
  zv::ConvertRows rows;
  for (const auto& [f, r] : pairs) rows.push_back(zv::ConvertItem{f, r});
  return rows;
}

}  // namespace zvtest
