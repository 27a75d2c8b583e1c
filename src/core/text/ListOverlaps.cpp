#include "text/ListOverlaps.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/CodePage.h"
#include "text/LiteralScanner.h"

namespace zv {

namespace {

// A row whose replacement can form later search strings in more ways than
// this rescans its chunk after a change instead.
constexpr std::size_t kMaxCreated = 64;
// Below this many rows every pair is compared; the index costs more to build.
constexpr std::size_t kPairwiseRows = 64;

// Whether a character starts at `at` when s is read as Shift-JIS from its start.
bool Cp932StartAt(std::string_view s, std::size_t at) {
  std::size_t k = 0;
  while (k < at)
    k += IsCp932Lead(static_cast<unsigned char>(s[k])) && k + 1 < s.size() &&
                 IsCp932Trail(static_cast<unsigned char>(s[k + 1]))
             ? 2
             : 1;
  return k == at;
}

// Needle f at offset d of replacement r.
struct Candidate {
  std::uint32_t needle;
  std::int32_t offset;
};

std::array<std::uint64_t, 4> ByteMask(std::string_view s) {
  std::array<std::uint64_t, 4> m{};
  for (unsigned char c : s) m[c >> 6] |= std::uint64_t{1} << (c & 63);
  return m;
}

bool MasksMeet(const std::array<std::uint64_t, 4>& a, const std::array<std::uint64_t, 4>& b) {
  return (a[0] & b[0]) | (a[1] & b[1]) | (a[2] & b[2]) | (a[3] & b[3]);
}

// Every offset (of f's start from r's start) at which f, placed over r,
// agrees with r on all the bytes they share.
template <class Add>
void Overlaps(std::string_view f, std::string_view r, Add&& add) {
  const long nf = static_cast<long>(f.size()), nr = static_cast<long>(r.size());
  for (long d = -(nf - 1); d <= nr - 1; ++d) {
    const long lo = std::max(0L, d), hi = std::min(nr, d + nf);
    if (std::memcmp(r.data() + lo, f.data() + (lo - d), static_cast<std::size_t>(hi - lo)) == 0)
      add(static_cast<std::int32_t>(d));
  }
}

// Positions of a sorted array of needles, each with the last row of its
// needle: the positions in a range whose needle has a row after a given one,
// found without visiting the others (a max tree over the last rows).
class LaterRows {
 public:
  explicit LaterRows(std::vector<std::uint32_t> last) : m_size(1) {
    while (m_size < last.size()) m_size *= 2;
    m_max.assign(2 * m_size, 0);
    for (std::size_t k = 0; k < last.size(); ++k) m_max[m_size + k] = last[k] + 1;  // 0: no position
    for (std::size_t k = m_size; k-- > 1;) m_max[k] = std::max(m_max[2 * k], m_max[2 * k + 1]);
  }

  // The first position in [lo, hi) whose last row is after `row`, or hi.
  // A few positions are looked at one by one first: early rows find most
  // needles later, and a descent from the root for each cost more.
  std::size_t FirstAfter(std::size_t lo, std::size_t hi, std::uint32_t row) const {
    for (std::size_t end = std::min(hi, lo + 8); lo < end; ++lo)
      if (m_max[m_size + lo] > row + 1) return lo;
    return lo < hi ? Descend(1, 0, m_size, lo, hi, row + 1) : hi;
  }

 private:
  std::size_t Descend(std::size_t node, std::size_t from, std::size_t to, std::size_t lo, std::size_t hi,
                      std::uint32_t above) const {
    if (to <= lo || from >= hi || m_max[node] <= above) return hi;
    if (to - from == 1) return from;
    const std::size_t mid = (from + to) / 2;
    const std::size_t left = Descend(2 * node, from, mid, lo, hi, above);
    return left != hi ? left : Descend(2 * node + 1, mid, to, lo, hi, above);
  }

  std::size_t m_size;
  std::vector<std::uint32_t> m_max;
};

// Whether some string longer than a key starts with it, from a bitset of
// hashed starts (the first bytes up to eight and the length up to nine): most
// keys are turned down at one lookup, where the sorted strings would take a
// binary search that misses the cache at every step. It may say yes wrongly,
// never no.
class Starts {
 public:
  explicit Starts(const std::vector<std::string>& strings) {
    std::size_t count = 0;
    for (const std::string& s : strings) count += std::min<std::size_t>(s.size(), 10) - std::min<std::size_t>(s.size(), 2);
    std::size_t bits = 1024;
    while (bits < 8 * count && bits < (std::size_t{1} << 24)) bits *= 2;
    m_shift = 64 - static_cast<unsigned>(std::countr_zero(bits));
    m_bits.assign(bits / 64, 0);
    for (const std::string& s : strings)
      for (std::size_t len = 2; len + 1 <= s.size() && len <= 9; ++len) {
        const std::size_t k = Slot(std::string_view(s).substr(0, len));
        m_bits[k >> 6] |= std::uint64_t{1} << (k & 63);
      }
  }

  bool Maybe(std::string_view key) const {
    if (key.size() < 2) return true;
    const std::size_t k = Slot(key);
    return (m_bits[k >> 6] >> (k & 63)) & 1;
  }

 private:
  std::size_t Slot(std::string_view s) const {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (std::size_t k = 0; k < std::min<std::size_t>(s.size(), 8); ++k)
      h = (h ^ static_cast<unsigned char>(s[k])) * 0x100000001b3ull;
    h = (h ^ std::min<std::size_t>(s.size(), 9)) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> m_shift);
  }

  std::vector<std::uint64_t> m_bits;
  unsigned m_shift = 54;
};

// The needles' overlaps with a replacement without comparing every needle;
// only needles with a row after the replacement's row count. Where f lies
// against r (d its offset, nf and nr the lengths):
//   inside r (d >= 0, d + nf <= nr): the scanner over r;
//   over r's end (d >= 0, d + nf > nr): f starts with a suffix of r, a range
//     of the needles sorted;
//   over r's start (d < 0, d + nf <= nr): f ends with a prefix of r, a range
//     of the needles sorted by their reversed bytes;
//   over both ends (d < 0, d + nf > nr): r lies inside f, found once for every
//     short replacement by a scanner over the replacements run on the needles.
class OverlapIndex {
 public:
  OverlapIndex(const ConvertRows& rows, const std::vector<std::string>& needles,
               const std::vector<std::vector<std::uint32_t>>& needleRows, const LiteralScanner& scanner)
      : m_needles(needles),
        m_scanner(scanner),
        m_prefixLater({}),
        m_suffixLater({}),
        m_prefixStarts(needles),
        m_suffixStarts({}) {
    for (const auto& r : needleRows) m_last.push_back(r.back());
    for (const std::string& f : needles) {
      m_maxLen = std::max(m_maxLen, f.size());
      m_first[static_cast<unsigned char>(f.front())] = true;
      m_lastByte[static_cast<unsigned char>(f.back())] = true;
      m_reversed.emplace_back(f.rbegin(), f.rend());
    }
    m_suffixStarts = Starts(m_reversed);
    m_byPrefix.resize(needles.size());
    for (std::uint32_t k = 0; k < needles.size(); ++k) m_byPrefix[k] = k;
    m_bySuffix = m_byPrefix;
    std::sort(m_byPrefix.begin(), m_byPrefix.end(), [&](auto a, auto b) { return needles[a] < needles[b]; });
    std::sort(m_bySuffix.begin(), m_bySuffix.end(),
              [&](auto a, auto b) { return m_reversed[a] < m_reversed[b]; });
    m_prefixLater = LaterRows(LastRows(m_byPrefix));
    m_suffixLater = LaterRows(LastRows(m_bySuffix));
    for (const std::uint32_t id : m_byPrefix) m_prefixHead.push_back(Head(needles[id], 0));
    for (const std::uint32_t id : m_bySuffix) m_suffixHead.push_back(Head(m_reversed[id], 0));
    for (const std::uint32_t id : m_byPrefix) m_prefixLen.push_back(static_cast<std::uint32_t>(needles[id].size()));
    for (const std::uint32_t id : m_bySuffix) m_suffixLen.push_back(static_cast<std::uint32_t>(needles[id].size()));

    // Replacements short enough to lie inside a needle with room on both
    // sides. Each keeps the needles around it with the latest last rows: if
    // the one kept last has no row after a row of this replacement, no needle
    // left out has, and otherwise the row has more entries than are checked.
    std::vector<std::string> shortOnes;
    for (const ConvertItem& row : rows) {
      const std::string& r = row.m_strReplaceWith;
      if (r.empty() || r.size() + 2 > m_maxLen) continue;
      if (m_shortIndex.emplace(r, static_cast<std::uint32_t>(shortOnes.size())).second)
        shortOnes.push_back(r);
    }
    if (shortOnes.empty()) return;
    m_inside.resize(shortOnes.size());
    const LiteralScanner shortScanner(shortOnes, false);
    auto later = [&](const Candidate& a, const Candidate& b) { return m_last[a.needle] > m_last[b.needle]; };
    for (std::uint32_t k = 0; k < needles.size(); ++k) {
      const std::string& f = needles[k];
      if (f.size() < 3) continue;
      shortScanner.Scan(std::string_view(f).substr(1), [&](std::uint32_t id, std::size_t at) {
        if (at + 1 + shortOnes[id].size() >= f.size()) return true;
        std::vector<Candidate>& kept = m_inside[id];  // a heap, the earliest last row on top
        kept.push_back({k, -static_cast<std::int32_t>(at + 1)});
        std::push_heap(kept.begin(), kept.end(), later);
        if (kept.size() > kMaxCreated + 1) {
          std::pop_heap(kept.begin(), kept.end(), later);
          kept.pop_back();
        }
        return true;
      });
    }
  }

  // Every (needle, offset) at which a needle with a row after `row` agrees
  // with r; false when there are more than kMaxCreated.
  bool Find(std::string_view r, std::uint32_t row, std::vector<Candidate>& out) const {
    out.clear();
    auto push = [&](std::uint32_t needle, std::int32_t d) {
      out.push_back({needle, d});
      return out.size() <= kMaxCreated;
    };
    // The ranges pass only needles with a later row; the rest are checked
    // here (reading m_last in the ranges' order missed the cache).
    auto add = [&](std::uint32_t needle, std::int32_t d) { return m_last[needle] <= row || push(needle, d); };
    // Short keys first: they have the most needles, and past kMaxCreated the
    // rest need not be looked at (the scan over r after them, as it costs more).
    const std::size_t nr = r.size();
    for (std::size_t d = nr; d-- > (nr > m_maxLen ? nr - m_maxLen + 1 : 0);) {
      if (!m_first[static_cast<unsigned char>(r[d])] || !m_prefixStarts.Maybe(r.substr(d))) continue;
      if (!AddRange(m_byPrefix, m_prefixHead, m_prefixLen, m_prefixLater, m_needles, r.substr(d), row,
                    [&](std::uint32_t id, std::size_t) { return push(id, static_cast<std::int32_t>(d)); }))
        return false;
    }
    for (std::size_t len = 1; len <= nr && len < m_maxLen; ++len) {
      if (!m_lastByte[static_cast<unsigned char>(r[len - 1])]) continue;
      const std::string key(r.rbegin() + static_cast<long>(nr - len), r.rend());
      if (!m_suffixStarts.Maybe(key)) continue;
      if (!AddRange(m_bySuffix, m_suffixHead, m_suffixLen, m_suffixLater, m_reversed, key, row,
                    [&](std::uint32_t id, std::size_t nf) {
                      return push(id, static_cast<std::int32_t>(len) - static_cast<std::int32_t>(nf));
                    }))
        return false;
    }
    if (!m_scanner.Scan(
            r, [&](std::uint32_t id, std::size_t at) { return add(id, static_cast<std::int32_t>(at)); }))
      return false;
    if (const auto it = m_shortIndex.find(std::string(r)); it != m_shortIndex.end())
      for (const Candidate& c : m_inside[it->second])
        if (!add(c.needle, c.offset)) return false;
    return true;
  }

 private:
  std::vector<std::uint32_t> LastRows(const std::vector<std::uint32_t>& order) const {
    std::vector<std::uint32_t> last;
    for (const std::uint32_t id : order) last.push_back(m_last[id]);
    return last;
  }

  // The first eight bytes as a big-endian number, `fill` past the end: the
  // numbers sort as the strings do, and the strings that start with s of at
  // most eight bytes are those between Head(s, 0) and Head(s, 0xFF).
  static std::uint64_t Head(std::string_view s, unsigned char fill) {
    std::uint64_t h = 0;
    for (std::size_t k = 0; k < 8; ++k)
      h = (h << 8) | (k < s.size() ? static_cast<unsigned char>(s[k]) : fill);
    return h;
  }

  // Calls add(id, nf) for the needles longer than key whose (reversed) bytes
  // start with it and that have a row after `row`; order is sorted by
  // keys[id], heads are their Head. The heads find the range (looking at the
  // strings themselves missed the cache at every step of a long list).
  template <class Add>
  bool AddRange(const std::vector<std::uint32_t>& order, const std::vector<std::uint64_t>& heads,
                const std::vector<std::uint32_t>& lengths,
                const LaterRows& later, const std::vector<std::string>& keys, std::string_view key,
                std::uint32_t row, Add&& add) const {
    std::size_t lo =
        static_cast<std::size_t>(std::lower_bound(heads.begin(), heads.end(), Head(key, 0)) - heads.begin());
    std::size_t hi = static_cast<std::size_t>(
        std::upper_bound(heads.begin() + static_cast<long>(lo), heads.end(), Head(key, 0xFF)) -
        heads.begin());
    if (lo == hi) return true;
    if (key.size() > 8) {
      const auto first = order.begin() + static_cast<long>(lo), last = order.begin() + static_cast<long>(hi);
      const auto from = std::partition_point(first, last, [&](std::uint32_t id) { return std::string_view(keys[id]).compare(key) < 0; });
      const auto to = std::partition_point(
          from, last, [&](std::uint32_t id) { return keys[id].compare(0, key.size(), key) <= 0; });
      lo = static_cast<std::size_t>(from - order.begin());
      hi = static_cast<std::size_t>(to - order.begin());
    }
    for (std::size_t p = later.FirstAfter(lo, hi, row); p < hi; p = later.FirstAfter(p + 1, hi, row)) {
      const std::size_t nf = lengths[p];
      if (nf > key.size() && !add(order[p], nf)) return false;
    }
    return true;
  }

  const std::vector<std::string>& m_needles;
  const LiteralScanner& m_scanner;
  std::vector<std::uint32_t> m_last;  // per needle: its last row
  std::size_t m_maxLen = 0;
  std::array<bool, 256> m_first{}, m_lastByte{};
  std::vector<std::string> m_reversed;
  std::vector<std::uint32_t> m_byPrefix, m_bySuffix;
  std::vector<std::uint64_t> m_prefixHead, m_suffixHead;
  std::vector<std::uint32_t> m_prefixLen, m_suffixLen;  // the lengths in the sorted orders
  LaterRows m_prefixLater, m_suffixLater;
  Starts m_prefixStarts, m_suffixStarts;
  std::unordered_map<std::string, std::uint32_t> m_shortIndex;
  std::vector<std::vector<Candidate>> m_inside;
};

}  // namespace

OverlapTable BuildOverlapTable(const ConvertRows& rows, const std::vector<std::string>& needles,
                               const std::vector<std::vector<std::uint32_t>>& needleRows,
                               const LiteralScanner* scanner, OverlapMethod method) {
  const std::size_t n = rows.size();
  OverlapTable t;
  t.from.assign(n + 1, 0);
  t.inside.assign(n, 0);
  t.rescan.assign(n, 0);
  const bool pairwise =
      method == OverlapMethod::Pairwise || (method == OverlapMethod::Auto && n < kPairwiseRows);
  std::vector<std::array<std::uint64_t, 4>> masks;
  std::unique_ptr<OverlapIndex> index;
  if (pairwise) {
    for (const ConvertItem& r : rows) masks.push_back(ByteMask(r.m_strFind));
  } else if (scanner && !needles.empty()) {
    index = std::make_unique<OverlapIndex>(rows, needles, needleRows, *scanner);
  }
  std::vector<Created> created;
  std::vector<Candidate> candidates;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& r = rows[i].m_strReplaceWith;
    created.clear();
    auto add = [&](std::uint32_t j, std::int32_t d) {
      const std::string& f = rows[j].m_strFind;  // the entries point into it
      created.push_back({j, d, f.data(), static_cast<std::uint32_t>(f.size()),
                         d >= 0 ? !Cp932StartAt(r, static_cast<std::size_t>(d))
                                : !Cp932StartAt(f, static_cast<std::size_t>(-d))});
    };
    // Deleting text joins its neighbours, which can form any later search string.
    bool rescan = r.empty();
    if (!rescan && pairwise) {
      const auto rmask = ByteMask(r);
      for (std::size_t j = i + 1; j < n && created.size() <= kMaxCreated; ++j) {
        const std::string& f = rows[j].m_strFind;
        if (f.empty() || !MasksMeet(masks[j], rmask)) continue;
        Overlaps(f, r, [&](std::int32_t d) { add(static_cast<std::uint32_t>(j), d); });
      }
    } else if (!rescan && index) {
      rescan = !index->Find(r, static_cast<std::uint32_t>(i), candidates);
      for (std::size_t c = 0; !rescan && c < candidates.size() && created.size() <= kMaxCreated; ++c) {
        const std::vector<std::uint32_t>& later = needleRows[candidates[c].needle];
        for (auto it = std::upper_bound(later.begin(), later.end(), static_cast<std::uint32_t>(i));
             it != later.end() && created.size() <= kMaxCreated; ++it)
          add(*it, candidates[c].offset);
      }
    }
    if (rescan || created.size() > kMaxCreated) {
      t.rescan[i] = 1;
      created.clear();
    }
    const auto inside = std::stable_partition(created.begin(), created.end(),
                                              [](const Created& c) { return !c.insideCp932; });
    t.inside[i] =
        static_cast<std::uint32_t>(t.entries.size() + static_cast<std::size_t>(inside - created.begin()));
    t.entries.insert(t.entries.end(), created.begin(), created.end());
    t.from[i + 1] = static_cast<std::uint32_t>(t.entries.size());
  }
  return t;
}

}  // namespace zv
