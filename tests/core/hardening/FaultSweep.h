#pragma once
// Fails the k-th operation of the file layer (open, read, write, flush,
// rename, directory creation) with a chosen errno, records every operation
// seen, and offers the checks that a sweep over k repeats after each run.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"

namespace zvtest {

// A fresh folder, removed with everything in it. On tmpfs (/dev/shm) when
// there is one: sweeps build hundreds of small trees, and a disk-backed /tmp
// makes them twenty times slower.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& rel) const { return m_path + "/" + rel; }

 private:
  std::string m_path;
};

struct FileOpSeen {
  zv::FileOp op = zv::FileOp::None;
  std::string path;
};

// Installs itself as the file layer's fault hook for its lifetime.
class FaultInjector {
 public:
  FaultInjector();
  ~FaultInjector();
  FaultInjector(const FaultInjector&) = delete;
  FaultInjector& operator=(const FaultInjector&) = delete;

  // Fail the k-th operation (1-based) with err; k = 0 only counts.
  void Arm(std::size_t k, int err);
  // Called at the moment the fault is injected (e.g. to note the file under way).
  std::function<void(const FileOpSeen&)> onInject;

  std::size_t Count() const { return m_seen.size(); }
  const std::vector<FileOpSeen>& Seen() const { return m_seen; }
  const std::optional<FileOpSeen>& Injected() const { return m_injected; }
  int Err() const { return m_err; }

 private:
  int Hook(zv::FileOp op, const std::string& path);

  std::size_t m_k = 0;
  int m_err = 0;
  std::vector<FileOpSeen> m_seen;
  std::optional<FileOpSeen> m_injected;
};

const char* OpName(zv::FileOp op);

// Every entry below root by relative path: "dir", "file:" and the bytes,
// "link:" and the target, or "other"; links are never followed.
std::map<std::string, std::string> TreeState(const std::string& root);
// Regular files below root by relative path, with their bytes; folders are left out.
std::map<std::string, std::string> Files(const std::string& root);
// Paths (relative to root) of temporary files the file layer left behind.
std::vector<std::string> TemporaryFiles(const std::string& root);

// Every file of `after` is either as in `before` or as in `complete`, and
// every file of either is in `after` unless it was absent before. Returns
// the paths that broke this (empty when none) with what was found.
std::vector<std::string> PartialOutputs(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& complete,
                                        const std::map<std::string, std::string>& after);

}  // namespace zvtest
