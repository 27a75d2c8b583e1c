#pragma once
// Where a folder run may write: never over an entry of its own file list
// (a file's own entry only where the caller allows it) and never twice to one
// destination. Entries are known by their folder's device and inode and their
// name, so links to folders, bind mounts and ".." hide none of them; a
// destination replaces the entry by rename, so only the entry counts, not the
// file behind it. Calling thread only.

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zv {

class RunTargets {
 public:
  // sources must outlive this object. Looks at each source folder once.
  explicit RunTargets(const std::vector<std::string>& sources);

  enum class Kind { Free, OwnSource, OtherSource, Taken };
  struct Claim {
    Kind kind = Kind::Free;
    std::size_t other = 0;  // OtherSource: that source; Taken: the file that took it first
  };
  // What dst is for file i. Unless it is another source or taken already, it
  // is taken for i. Ask after dst's folder has been made, if it is made.
  Claim Take(std::size_t i, const std::string& dst);
  // The failure message of a refused claim (OtherSource, Taken), or of
  // OwnSource where the caller refuses that too.
  std::string Refusal(const Claim& claim, std::size_t i, const std::string& dst) const;

 private:
  struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId&) const = default;
  };
  struct FolderIdHash {
    std::size_t operator()(const FolderId& id) const { return std::hash<ino_t>()(id.ino) * 31 + id.dev; }
  };
  std::optional<FolderId> IdOf(std::string_view folder);

  const std::vector<std::string>& m_sources;
  std::unordered_map<std::string, FolderId> m_ids;  // folders found, by their path
  // The folder asked last: the files of a folder come together.
  std::string m_lastFolder;
  FolderId m_lastId{};
  std::unordered_map<FolderId, std::vector<std::size_t>, FolderIdHash> m_sourceFolders;
  // Names of a source folder, made when a destination first meets it.
  std::unordered_map<FolderId, std::unordered_map<std::string_view, std::size_t>, FolderIdHash> m_names;
  // Destinations taken so far, by folder (its id, or the path of one not
  // made, in a dry run) and name: small tables, one folder's at a time.
  using Taken = std::unordered_map<std::string, std::size_t>;
  std::unordered_map<FolderId, Taken, FolderIdHash> m_taken;
  std::unordered_map<std::string, Taken> m_takenUnmade;
};

}  // namespace zv
