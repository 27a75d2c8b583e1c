#include "filename/RunTargets.h"

#include <sys/stat.h>

#include "filename/FileNameTexts.h"
#include "platform/FileError.h"

namespace zv {

namespace {

// Up to and including the last separator; "" for a bare name.
std::string_view DirOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

}  // namespace

RunTargets::RunTargets(const std::vector<std::string>& sources) : m_sources(sources) {
  // The walk lists a folder's files together: one look per folder.
  std::optional<std::string_view> lastDir;
  std::vector<std::size_t>* lastFolder = nullptr;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (sources[i].empty()) continue;
    const std::string_view dir = DirOf(sources[i]);
    if (dir != lastDir) {
      lastDir = dir;
      const std::optional<FolderId> id = IdOf(dir);
      lastFolder = id ? &m_sourceFolders[*id] : nullptr;
    }
    if (lastFolder) lastFolder->push_back(i);
  }
}

std::optional<RunTargets::FolderId> RunTargets::IdOf(std::string_view folder) {
  if (!m_lastFolder.empty() && folder == m_lastFolder) return m_lastId;
  std::string key(folder);
  if (auto it = m_ids.find(key); it != m_ids.end()) {
    m_lastFolder = it->first;
    m_lastId = it->second;
    return m_lastId;
  }
  struct stat st;
  // A folder that is not there is looked at again next time: it may be made.
  if (::stat(key.empty() ? "." : key.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  const FolderId id{st.st_dev, st.st_ino};
  m_ids.emplace(key, id);
  m_lastFolder = std::move(key);
  m_lastId = id;
  return id;
}

RunTargets::Claim RunTargets::Take(std::size_t i, const std::string& dst) {
  const std::string_view dir = DirOf(dst);
  const std::string_view name = std::string_view(dst).substr(dir.size());
  Claim claim;
  Taken* taken;
  if (const std::optional<FolderId> id = IdOf(dir)) {
    taken = &m_taken[*id];
    if (auto folder = m_sourceFolders.find(*id); folder != m_sourceFolders.end()) {
      auto& names = m_names[*id];
      if (names.empty()) {
        for (std::size_t j : folder->second)
          names.emplace(std::string_view(m_sources[j]).substr(DirOf(m_sources[j]).size()), j);
      }
      if (auto found = names.find(name); found != names.end()) {
        claim = {found->second == i ? Kind::OwnSource : Kind::OtherSource, found->second};
        if (claim.kind == Kind::OtherSource) return claim;
      }
    }
  } else {
    taken = &m_takenUnmade[std::string(dir)];
  }
  const auto [first, isNew] = taken->emplace(name, i);
  if (!isNew) return {Kind::Taken, first->second};
  return claim;
}

std::string RunTargets::Refusal(const Claim& claim, std::size_t i, const std::string& dst) const {
  if (claim.kind == Kind::Taken)
    return FormatMessage(texts::kDstTaken, {dst, m_sources[claim.other], m_sources[i]});
  return FormatMessage(texts::kDstIsSource, {dst});
}

}  // namespace zv
