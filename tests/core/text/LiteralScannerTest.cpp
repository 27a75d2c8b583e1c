// The multi-string scanner against a plain search at every position, with the
// vector filter and the portable one, on texts whose lengths cross the
// filter's block and stretch edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "text/LiteralScanner.h"

namespace zv {
namespace {

using Hits = std::vector<std::pair<std::uint32_t, std::size_t>>;

Hits Naive(const std::vector<std::string>& needles, const std::string& text) {
  Hits hits;
  for (std::size_t i = 0; i < text.size(); ++i)
    for (std::uint32_t id = 0; id < needles.size(); ++id)
      if (text.compare(i, needles[id].size(), needles[id]) == 0) hits.emplace_back(id, i);
  return hits;
}

Hits Scanned(const LiteralScanner& scanner, const std::string& text) {
  Hits hits;
  scanner.Scan(text, [&](std::uint32_t id, std::size_t at) {
    hits.emplace_back(id, at);
    return true;
  });
  // Needles starting at the same position may come in any order.
  std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
  for (std::size_t i = 0; i < hits.size();) {
    std::size_t j = i;
    while (j < hits.size() && hits[j].second == hits[i].second) ++j;
    std::sort(hits.begin() + static_cast<long>(i), hits.begin() + static_cast<long>(j));
    i = j;
  }
  return hits;
}

class PortableFilter {
 public:
  explicit PortableFilter(bool on) { LiteralScanner::ForcePortableFilter(on); }
  ~PortableFilter() { LiteralScanner::ForcePortableFilter(false); }
};

void Compare(bool portable, unsigned seed) {
  PortableFilter force(portable);
  std::mt19937 rng(seed);
  // Few byte values, so needles of every length (1 to 7) occur often;
  // high bytes check that the filter treats bytes as unsigned.
  const std::string bytes = "ab\x83\x5c\xe3\xff";
  auto randomString = [&](std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += bytes[rng() % bytes.size()];
    return s;
  };
  for (int c = 0; c < 300; ++c) {
    std::set<std::string> set;
    const int count = 1 + static_cast<int>(rng() % 12);
    while (static_cast<int>(set.size()) < count) set.insert(randomString(1 + rng() % 7));
    std::vector<std::string> needles(set.begin(), set.end());
    // Only some lengths present, so each mix of filter tables runs.
    if (c % 3 == 1) std::erase_if(needles, [](const std::string& s) { return s.size() == 3; });
    if (c % 3 == 2) std::erase_if(needles, [](const std::string& s) { return s.size() >= 4; });
    if (needles.empty()) needles.push_back("a");
    const LiteralScanner scanner(needles, c % 2 == 0);
    const std::size_t lengths[] = {0, 1, 3, 63, 79, 80, 81, 143, 144, 4111, 4112, 4175, 9000};
    std::string text = randomString(lengths[c % std::size(lengths)] + rng() % 3);
    // Long needles seldom occur by chance: write some over the text.
    for (std::size_t k = 0; k < text.size() / 64; ++k) {
      const std::string& s = needles[rng() % needles.size()];
      if (s.size() <= text.size()) text.replace(rng() % (text.size() - s.size() + 1), s.size(), s);
    }
    ASSERT_EQ(Naive(needles, text), Scanned(scanner, text)) << "case " << c << ", portable " << portable;
  }
}

TEST(LiteralScanner, FindsEveryOccurrenceWithEitherFilter) {
  Compare(false, 1);
  Compare(true, 1);
  Compare(false, 2);
  Compare(true, 2);
}

// Shift-JIS texts of lead-capable bytes, trail bytes and bytes that are
// neither: with the option, only occurrences on character boundaries come.
TEST(LiteralScanner, LeavesOutOccurrencesInsideShiftJisCharacters) {
  const std::string bytes = "\x83\x95\x81\xe0\x5c\x41" "a\xa0\x20\x7f\xfd";
  for (const bool portable : {false, true}) {
    PortableFilter force(portable);
    std::mt19937 rng(7);
    for (int c = 0; c < 400; ++c) {
      auto randomString = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += bytes[rng() % bytes.size()];
        return s;
      };
      std::vector<std::string> needles;
      for (int k = 0; k < 1 + c % 6; ++k) needles.push_back(randomString(1 + rng() % 7));
      std::sort(needles.begin(), needles.end());
      needles.erase(std::unique(needles.begin(), needles.end()), needles.end());
      const LiteralScanner scanner(needles, false);
      // Runs of lead-capable bytes cross the 64-byte blocks and the stretches.
      const std::size_t lengths[] = {5, 64, 80, 81, 200, 4111, 4200, 9000};
      std::string text = randomString(lengths[c % std::size(lengths)] + rng() % 70);
      // Long needles, which the grouped sets test apart, seldom occur by chance.
      for (std::size_t k = 0; k < text.size() / 32; ++k) {
        const std::string& s = needles[rng() % needles.size()];
        if (s.size() <= text.size()) text.replace(rng() % (text.size() - s.size() + 1), s.size(), s);
      }
      Hits expected;
      for (const auto& hit : Naive(needles, text))
        if (IsCharBoundary(text, hit.second, CodePage::Cp932)) expected.push_back(hit);
      Hits hits;
      scanner.Scan(
          text,
          [&](std::uint32_t id, std::size_t at) {
            hits.emplace_back(id, at);
            return true;
          },
          true);
      std::sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) {
        return std::pair(a.second, a.first) < std::pair(b.second, b.first);
      });
      ASSERT_EQ(expected, hits) << "case " << c << ", portable " << portable;
    }
  }
}

// Long lists whose strings share their first bytes put hundreds of strings
// in one bucket of the three-, four- or six-byte table; strings that are
// prefixes of each other, of many lengths, and near misses in the text.
TEST(LiteralScanner, StringsSharingTheirFirstBytes) {
  for (const bool portable : {false, true}) {
    PortableFilter force(portable);
    std::mt19937 rng(portable ? 8 : 9);
    for (const std::string prefix : {"abc", "ITEM-", "\xe5\x93\x81\xe7\x95\xaa"}) {
      std::set<std::string> set;
      while (set.size() < 300) {
        std::string s = prefix;
        for (std::size_t k = rng() % 5; k > 0; --k) s += static_cast<char>('0' + rng() % 4);
        set.insert(s);
      }
      const std::vector<std::string> needles(set.begin(), set.end());
      for (const bool six : {false, true}) {
        const LiteralScanner scanner(needles, six);
        std::string text;
        while (text.size() < 6000) {
          text += needles[rng() % needles.size()];
          // Cut short, run on, or followed by another at once.
          if (rng() % 3 == 0) text.resize(text.size() - 1 - rng() % 3);
          if (rng() % 3 == 0) text += static_cast<char>('0' + rng() % 5);
          if (rng() % 2 == 0) text += ' ';
        }
        ASSERT_EQ(Naive(needles, text), Scanned(scanner, text)) << prefix << ", portable " << portable;
        // Every length cut off at the end of the text.
        for (std::size_t cut = 1; cut <= 10; ++cut)
          ASSERT_EQ(Naive(needles, text.substr(0, text.size() - cut)),
                    Scanned(scanner, text.substr(0, text.size() - cut)));
      }
    }
  }
}

TEST(LiteralScanner, StopsWhenAskedAndReportsIt) {
  const LiteralScanner scanner({"x"}, false);
  const std::string text(5000, 'x');
  std::size_t seen = 0;
  EXPECT_FALSE(scanner.Scan(text, [&](std::uint32_t, std::size_t) { return ++seen < 4100; }));
  EXPECT_EQ(seen, 4100u);
  EXPECT_TRUE(scanner.Scan(text, [](std::uint32_t, std::size_t) { return true; }));
}

// The caller moves the pass-over point from inside onMatch: occurrences
// before it never come, whether it lands in the same block, a later block or
// the unfiltered tail.
TEST(LiteralScanner, PassesOverWhatTheCallerSkips) {
  for (const bool portable : {false, true}) {
    PortableFilter force(portable);
    const LiteralScanner scanner({"x", "xx"}, false);
    const std::string text(300, 'x');
    for (const std::size_t skip : {1u, 2u, 63u, 64u, 65u, 200u}) {
      std::size_t passOver = 0;
      std::vector<std::size_t> seen;
      scanner.Scan(
          text,
          [&](std::uint32_t id, std::size_t at) {
            if (id == 0) seen.push_back(at);
            if (at >= passOver) passOver = at + skip;
            return true;
          },
          false, &passOver);
      std::vector<std::size_t> expected;
      for (std::size_t at = 0; at < text.size(); at += skip) expected.push_back(at);
      EXPECT_EQ(seen, expected) << "skip " << skip << ", portable " << portable;
    }
  }
}

}  // namespace
}  // namespace zv
