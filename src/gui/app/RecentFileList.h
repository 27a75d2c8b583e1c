#pragma once
// The recent-file list of the ﾌｧｲﾙ menu: the last four list files that were
// current, newest first, kept in the program's profile as the file system's
// bytes.

#include <string>
#include <vector>

class CRecentFileList {
 public:
  static constexpr int kSize = 4;

  // Reads the list from the profile.
  CRecentFileList();

  const std::vector<std::string>& Entries() const { return m_entries; }
  // Puts path at the top; the same file further down goes, and so does the
  // oldest entry past four. Written to the profile at once.
  void Add(const std::string& path);
  void Remove(const std::string& path);

 private:
  void ReadList();
  void WriteList() const;

  std::vector<std::string> m_entries;
};
