#pragma once
// The files of a corpus folder, read whole in path order, for the in-memory benchmarks.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "list/ConvertItem.h"

// Stops after the file that reaches `limit` bytes; `bytes` gets the total read.
inline std::vector<std::string> LoadCorpusTexts(const char* folder, std::size_t limit, std::size_t& bytes) {
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (e.is_regular_file()) paths.push_back(e.path().string());
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> texts;
  bytes = 0;
  for (const auto& p : paths) {
    if (bytes >= limit) break;
    std::ifstream in(p, std::ios::binary);
    texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    bytes += texts.back().size();
  }
  return texts;
}

// The distinct non-empty search strings of a list, as the scan alone is given them.
inline std::vector<std::string> SearchStrings(const zv::ConvertRows& rows) {
  std::set<std::string> distinct;
  for (const auto& row : rows)
    if (!row.m_strFind.empty()) distinct.insert(row.m_strFind);
  return {distinct.begin(), distinct.end()};
}
