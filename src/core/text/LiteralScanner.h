#pragma once
// Every occurrence of a set of byte strings in one pass over a text, reported
// in order of start offset. Each position is tested against a small filter of
// the strings' first bytes (exact for strings of one and two bytes, a hash of
// the first three or four bytes for longer ones, in tables that stay in the
// cache) and only filter hits are compared in full.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class LiteralScanner {
 public:
  // needles: distinct and non-empty; a needle's id is its index.
  explicit LiteralScanner(const std::vector<std::string>& needles);

  // Calls onMatch(id, start) for every occurrence; onMatch returns false to
  // stop, and Scan then returns false.
  template <class OnMatch>
  bool Scan(std::string_view text, OnMatch&& onMatch) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    // Blocks of 64 positions are filtered without branches; only the hits
    // are looked at one by one.
    for (; i + 64 + 3 <= n; i += 64) {
      std::uint64_t mask = 0;
      for (unsigned j = 0; j < 64; ++j) {
        const unsigned char* q = p + i + j;
        std::uint64_t hit = 0;
        if (m_hasLong) hit |= Bit(m_longBits, Hash4(q));
        if (m_hasThree) hit |= Bit(m_threeBits, Hash3(q));
        if (m_hasTwo) hit |= Bit(m_twoBits, (unsigned{q[0]} << 8) | q[1]);
        if (m_hasOne) hit |= m_one[q[0]] != 0;
        mask |= hit << j;
      }
      while (mask) {
        const unsigned j = static_cast<unsigned>(__builtin_ctzll(mask));
        mask &= mask - 1;
        if (!CheckAt(p, n, i + j, onMatch)) return false;
      }
    }
    for (; i < n; ++i)
      if (!CheckAt(p, n, i, onMatch)) return false;
    return true;
  }

 private:
  static constexpr unsigned kBuckets = 1u << 16;

  static bool Test(const std::vector<std::uint64_t>& bits, unsigned k) {
    return (bits[k >> 6] >> (k & 63)) & 1;
  }
  static std::uint64_t Bit(const std::vector<std::uint64_t>& bits, unsigned k) {
    return (bits[k >> 6] >> (k & 63)) & 1;
  }

  // Every needle that starts at i.
  template <class OnMatch>
  bool CheckAt(const unsigned char* p, std::size_t n, std::size_t i, OnMatch& onMatch) const {
    if (m_hasOne && m_one[p[i]] && !onMatch(m_one[p[i]] - 1, i)) return false;
    if (i + 1 >= n) return true;
    if (m_hasTwo) {
      const unsigned k = (unsigned{p[i]} << 8) | p[i + 1];
      if (Test(m_twoBits, k) && !ReportBucket(m_twoStart, m_twoIds, k, p + i, n - i, i, onMatch))
        return false;
    }
    if (i + 2 >= n) return true;
    if (m_hasThree) {
      const unsigned k = Hash3(p + i);
      if (Test(m_threeBits, k) && !ReportBucket(m_threeStart, m_threeIds, k, p + i, n - i, i, onMatch))
        return false;
    }
    if (i + 3 >= n || !m_hasLong) return true;
    const unsigned k = Hash4(p + i);
    return !Test(m_longBits, k) || ReportBucket(m_longStart, m_longIds, k, p + i, n - i, i, onMatch);
  }
  static unsigned Hash3(const unsigned char* s) {
    const std::uint32_t v = (std::uint32_t{s[0]} << 16) | (std::uint32_t{s[1]} << 8) | s[2];
    return (v * 0x9E3779B1u) >> 16;
  }
  static unsigned Hash4(const unsigned char* s) {
    std::uint32_t v;
    std::memcpy(&v, s, 4);
    return (v * 0x9E3779B1u) >> 16;
  }

  template <class OnMatch>
  bool ReportBucket(const std::vector<std::uint32_t>& start, const std::vector<std::uint32_t>& ids,
                    unsigned k, const unsigned char* at, std::size_t left, std::size_t pos,
                    OnMatch& onMatch) const {
    for (std::uint32_t b = start[k]; b < start[k + 1]; ++b) {
      const std::string& s = m_needles[ids[b]];
      if (s.size() <= left && std::memcmp(at, s.data(), s.size()) == 0 && !onMatch(ids[b], pos)) return false;
    }
    return true;
  }

  void Build(std::vector<std::uint64_t>& bits, std::vector<std::uint32_t>& start,
             std::vector<std::uint32_t>& ids, const std::vector<std::pair<unsigned, std::uint32_t>>& keyed);

  std::vector<std::string> m_needles;
  bool m_hasOne = false, m_hasTwo = false, m_hasThree = false, m_hasLong = false;
  std::array<std::uint32_t, 256> m_one{};  // id + 1 of the one-byte needle, or 0
  std::vector<std::uint64_t> m_twoBits, m_threeBits, m_longBits;
  std::vector<std::uint32_t> m_twoStart, m_twoIds, m_threeStart, m_threeIds, m_longStart, m_longIds;
};

}  // namespace zv
