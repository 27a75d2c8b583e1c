#include "filename/OrderedRun.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zv {

namespace {

void AddIdentity(const std::string& path, std::vector<std::string>& keys, std::uint64_t* size = nullptr) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return;
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  char key[64];
  std::snprintf(key, sizeof key, "i%llu:%llu", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  keys.emplace_back(key);
}

}  // namespace

std::vector<std::string> FilesInUse::KeysOf(const std::string& src, const std::string& folder,
                                            const std::string& name, bool pathKey, bool dstIdentity,
                                            std::uint64_t* srcSize) {
  std::vector<std::string> keys;
  const std::string dst = folder + name;
  if (srcSize) *srcSize = 0;
  AddIdentity(src, keys, srcSize);
  if (dstIdentity) AddIdentity(dst, keys);
  if (pathKey) {
    std::error_code ec;
    std::string resolved;
    if (name.find('/') != std::string::npos) {
      // A name that names a subfolder: resolve the whole path.
      resolved = std::filesystem::weakly_canonical(dst, ec).string();
      if (ec) resolved = dst;
    } else {
      auto it = m_resolvedFolders.find(folder);
      if (it == m_resolvedFolders.end()) {
        std::string f = std::filesystem::weakly_canonical(folder, ec).string();
        if (ec) f = folder;
        if (f.empty() || f.back() != '/') f += '/';
        it = m_resolvedFolders.emplace(folder, std::move(f)).first;
      }
      resolved = it->second + name;
    }
    resolved.insert(0, 1, 'p');
    keys.push_back(std::move(resolved));
  }
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

bool FilesInUse::Busy(const std::vector<std::string>& keys) const {
  return std::any_of(keys.begin(), keys.end(), [this](const std::string& k) { return m_held.count(k) != 0; });
}

void FilesInUse::Hold(const std::vector<std::string>& keys) {
  for (const std::string& k : keys) ++m_held[k];
}

void FilesInUse::Release(const std::vector<std::string>& keys) {
  for (const std::string& k : keys) {
    auto it = m_held.find(k);
    if (it != m_held.end() && --it->second == 0) m_held.erase(it);
  }
}

}  // namespace zv
