#include "hardening/FaultSweep.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace zvtest {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::vector<std::string> bases = {"/dev/shm"};
  const char* tmp = std::getenv("TMPDIR");
  bases.push_back(tmp && *tmp ? tmp : "/tmp");
  for (const std::string& base : bases) {
    std::string templ = base + "/zv-hardening-XXXXXX";
    if (::mkdtemp(templ.data())) {
      m_path = templ;
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (!m_path.empty()) fs::remove_all(m_path, ec);
}

FaultInjector::FaultInjector() {
  zv::SetFileFaultHook([this](zv::FileOp op, const std::string& path) { return Hook(op, path); });
}

FaultInjector::~FaultInjector() { zv::SetFileFaultHook(nullptr); }

void FaultInjector::Arm(std::size_t k, int err) {
  m_k = k;
  m_err = err;
  m_seen.clear();
  m_injected.reset();
}

int FaultInjector::Hook(zv::FileOp op, const std::string& path) {
  // The walk's listings are not the run's file operations.
  if (op == zv::FileOp::List) return 0;
  m_seen.push_back({op, path});
  if (m_seen.size() != m_k) return 0;
  m_injected = m_seen.back();
  if (onInject) onInject(*m_injected);
  return m_err;
}

const char* OpName(zv::FileOp op) {
  switch (op) {
    case zv::FileOp::None:
      return "none";
    case zv::FileOp::Open:
      return "open";
    case zv::FileOp::Read:
      return "read";
    case zv::FileOp::Write:
      return "write";
    case zv::FileOp::Flush:
      return "flush";
    case zv::FileOp::Rename:
      return "rename";
    case zv::FileOp::CreateDir:
      return "mkdir";
    case zv::FileOp::Copy:
      return "copy";
    case zv::FileOp::Refuse:
      return "refuse";
    case zv::FileOp::List:
      return "list";
  }
  return "?";
}

namespace {

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

std::map<std::string, std::string> TreeState(const std::string& root) {
  std::map<std::string, std::string> state;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string rel = it->path().lexically_relative(root).string();
    const fs::file_status st = it->symlink_status(ec);
    if (fs::is_symlink(st))
      state[rel] = "link:" + fs::read_symlink(it->path(), ec).string();
    else if (fs::is_directory(st))
      state[rel] = "dir";
    else if (fs::is_regular_file(st))
      state[rel] = "file:" + Bytes(it->path());
    else
      state[rel] = "other";
  }
  return state;
}

std::map<std::string, std::string> Files(const std::string& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!fs::is_regular_file(it->symlink_status(ec))) continue;
    files[it->path().lexically_relative(root).string()] = Bytes(it->path());
  }
  return files;
}

std::vector<std::string> TemporaryFiles(const std::string& root) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->path().filename().string().rfind(".zv-tmp-", 0) == 0)
      found.push_back(it->path().lexically_relative(root).string());
  }
  return found;
}

std::vector<std::string> PartialOutputs(const std::map<std::string, std::string>& before,
                                        const std::map<std::string, std::string>& complete,
                                        const std::map<std::string, std::string>& after) {
  std::set<std::string> paths;
  for (const auto& m : {&before, &complete, &after})
    for (const auto& [p, bytes] : *m) paths.insert(p);
  std::vector<std::string> bad;
  for (const std::string& p : paths) {
    const auto b = before.find(p), c = complete.find(p), a = after.find(p);
    const bool wasThere = b != before.end();
    if (a == after.end()) {
      if (wasThere) bad.push_back(p + ": removed");
      continue;
    }
    const bool asBefore = wasThere && a->second == b->second;
    const bool asComplete = c != complete.end() && a->second == c->second;
    if (!asBefore && !asComplete)
      bad.push_back(p + ": " + std::to_string(a->second.size()) + " bytes, neither old nor new");
  }
  return bad;
}

}  // namespace zvtest
