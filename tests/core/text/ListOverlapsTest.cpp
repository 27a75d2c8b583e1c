// The overlap table built through the index (long lists) against the one
// built by comparing every pair of rows, on generated lists whose strings
// overlap in every way: inside each other, over either end, around each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "text/ListOverlaps.h"
#include "text/LiteralScanner.h"

namespace zv {
namespace {

using Entry = std::tuple<std::uint32_t, std::int32_t, bool>;  // row, offset, inside a Shift-JIS character

struct Table {
  std::vector<std::uint8_t> rescan;
  std::vector<std::vector<Entry>> entries;
};

Table Build(const ConvertRows& rows, OverlapMethod method) {
  std::vector<std::string> needles;
  std::vector<std::vector<std::uint32_t>> needleRows;
  std::map<std::string, std::uint32_t> index;
  for (std::uint32_t i = 0; i < rows.size(); ++i) {
    if (rows[i].m_strFind.empty()) continue;
    const auto [it, added] = index.emplace(rows[i].m_strFind, static_cast<std::uint32_t>(needles.size()));
    if (added) {
      needles.push_back(rows[i].m_strFind);
      needleRows.emplace_back();
    }
    needleRows[it->second].push_back(i);
  }
  const LiteralScanner scanner(needles, false);
  const OverlapTable t =
      BuildOverlapTable(rows, needles, needleRows, needles.empty() ? nullptr : &scanner, method);
  Table out{t.rescan, {}};
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::vector<Entry> e;
    for (std::uint32_t k = t.from[r]; k < t.from[r + 1]; ++k) {
      const Created& c = t.entries[k];
      EXPECT_EQ(std::string(c.find, c.size), rows[c.row].m_strFind);
      EXPECT_EQ(c.insideCp932, k >= t.inside[r]);
      e.emplace_back(c.row, c.offset, c.insideCp932);
    }
    std::sort(e.begin(), e.end());
    out.entries.push_back(std::move(e));
  }
  return out;
}

TEST(ListOverlaps, IndexFindsWhatPairsFind) {
  // Few symbols, so that strings overlap often; Shift-JIS lead and trail
  // bytes, so that some overlaps cannot start on a character boundary.
  const std::vector<std::string> symbols = {"a", "b", "c", "d", "e", "f", "\x83", "\x5c"};
  std::mt19937 rng(61);
  auto randomString = [&](int lo, int hi) {
    std::string s;
    for (int k = lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); k > 0; --k)
      s += symbols[rng() % symbols.size()];
    return s;
  };
  int rescans = 0, entries = 0;
  for (int c = 0; c < 40; ++c) {
    ConvertRows rows;
    const int n = c % 4 == 0 ? 1500 : 40 + static_cast<int>(rng() % 200);
    for (int i = 0; i < n; ++i) {
      ConvertItem row;
      // Long lists: strings with a shared start, as product codes have.
      row.m_strFind = (c % 4 == 0 ? "ab" : "") + randomString(1, 5);
      switch (rng() % 6) {
        case 0:
          break;  // a deletion
        case 1:
          row.m_strReplaceWith = randomString(1, 1);  // inside many strings
          break;
        case 2:
          row.m_strReplaceWith =
              rows.empty() ? "x" : rows[rng() % rows.size()].m_strFind;  // a duplicate needle
          break;
        default:
          row.m_strReplaceWith = randomString(1, 8);
      }
      if (rng() % 20 == 0) row.m_strFind.clear();
      rows.push_back(row);
    }
    const Table pairs = Build(rows, OverlapMethod::Pairwise);
    const Table indexed = Build(rows, OverlapMethod::Indexed);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      ASSERT_EQ(pairs.rescan[r], indexed.rescan[r]) << "case " << c << " row " << r;
      ASSERT_EQ(pairs.entries[r], indexed.entries[r]) << "case " << c << " row " << r;
      rescans += pairs.rescan[r];
      entries += static_cast<int>(pairs.entries[r].size());
    }
  }
  // The lists exercise both outcomes.
  EXPECT_GT(rescans, 1000);
  EXPECT_GT(entries, 20000);
}

}  // namespace
}  // namespace zv
