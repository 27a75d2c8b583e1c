#pragma once
// Every occurrence of a set of byte strings in one pass over a text, reported
// in order of start offset. A filter marks the positions where a string may
// start: an exact table of two-byte strings (one-byte strings take every
// second byte), and hashes of the first three, four and six bytes for longer
// strings, all in tables that stay in the cache. Only marked positions are
// compared in full. On x86 with AVX2 a first stage tests 32 positions at a
// time against byte sets, and only the positions it passes see the tables.
// A bucket that many strings share (long lists with a common prefix, such as
// product codes) is looked up by the hash of each of its string lengths
// instead of comparing every string.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"

namespace zv {

class LiteralScanner {
 public:
  // needles: distinct and non-empty; a needle's id is its index.
  // sixByteKeys: needles of six bytes or more are keyed by six bytes rather
  // than four, which pays where four bytes are less than two characters
  // (UTF-8 Japanese) and costs a lookup where they are two (Shift-JIS).
  LiteralScanner(const std::vector<std::string>& needles, bool sixByteKeys);

  // Calls onMatch(id, start) for every occurrence; onMatch returns false to
  // stop, and Scan then returns false. skipInsideCp932: occurrences that
  // start inside a Shift-JIS double-byte character are left out; the text
  // must then start on a character boundary. passOver: where set, onMatch
  // may move it forward, and occurrences that start before it are passed
  // over without being compared.
  template <class OnMatch>
  bool Scan(std::string_view text, OnMatch&& onMatch, bool skipInsideCp932 = false,
            const std::size_t* passOver = nullptr) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    // The filter fills a mask per 64 positions for a stretch of the text;
    // only the marked positions are looked at one by one.
    std::uint64_t masks[kStretch / 64];
    bool grouped = false;
    std::uint64_t afterLead = 0;  // the next position follows an odd run of lead-capable bytes
    std::uint64_t* const carry = skipInsideCp932 ? &afterLead : nullptr;
    while (i + kTail + 64 <= n) {
      const std::size_t blocks = std::min<std::size_t>(kStretch, n - kTail - i) / 64;
      const std::size_t passed = Filter(p + i, blocks, masks, grouped, carry);
      // The grouped sets cost more per position and pay only where the
      // merged ones pass many positions that the tables then turn down.
      if (!grouped && passed * 100 > blocks * 64 * kGroupAbovePercent) grouped = true;
      for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t base = i + b * 64;
        std::uint64_t mask = masks[b];
        if (passOver) mask &= From(*passOver, base);
        while (mask) {
          const std::size_t at = base + static_cast<unsigned>(__builtin_ctzll(mask));
          mask &= mask - 1;
          if (!CheckAt(p, n, at, onMatch)) return false;
          if (passOver) mask &= From(*passOver, base);
        }
      }
      i += blocks * 64;
    }
    for (; i < n; ++i) {
      if (carry) {
        const bool inside = afterLead && IsCp932Trail(p[i]);
        afterLead = IsCp932Lead(p[i]) ? afterLead ^ 1 : 0;
        if (inside) continue;
      }
      if (passOver && i < *passOver) continue;
      if (!CheckAt(p, n, i, onMatch)) return false;
    }
    return true;
  }

  // The positions of 64 bytes that lie inside a Shift-JIS double-byte
  // character, from the bits of their lead-capable and valid trail bytes.
  // Every lead-capable byte is also a valid trail, so a run of them pairs up
  // from its start, and a trail byte after an odd run belongs to its last
  // lead. `afterLead` carries that state from one 64 bytes to the next.
  static std::uint64_t InsideCp932(std::uint64_t lead, std::uint64_t trail, std::uint64_t& afterLead) {
    // Leads that start a character (a lead-capable byte taken as a trail
    // starts nothing) mark the byte after them. Subtracting the runs from
    // the odd bits tells runs that start on odd bits from those on even
    // ones, and the xor turns that into the bits after an odd run and every
    // second byte of a run.
    constexpr std::uint64_t kOddBits = 0xAAAAAAAAAAAAAAAAull;
    const std::uint64_t starts = lead & ~afterLead;
    const std::uint64_t codes = (((starts << 1) | kOddBits) - starts) ^ kOddBits;
    const std::uint64_t taken = codes ^ (starts | afterLead);
    afterLead = (codes & lead) >> 63;
    return taken & trail;
  }

  // Tests: run the portable filter even where the vector one could run.
  static void ForcePortableFilter(bool portable);

 private:
  // The positions of a block starting at base that are at or after pos.
  static std::uint64_t From(std::size_t pos, std::size_t base) {
    if (pos <= base) return ~std::uint64_t{0};
    return pos - base >= 64 ? 0 : ~std::uint64_t{0} << (pos - base);
  }

  static constexpr unsigned kBuckets = 1u << 16;
  static constexpr std::size_t kStretch = 4096;
  // Bytes past the last filtered position that the filter may read.
  static constexpr std::size_t kTail = 16;
  void AddToSet(int set, unsigned char byte);

  static constexpr std::size_t kGroupAbovePercent = 10;

  // Fills masks[0..blocks) for the positions p[0 .. blocks*64); reads up to
  // blocks*64 + kTail bytes. Returns how many positions the vector filter's
  // first stage passed (the portable filter: all), with the merged byte sets
  // or the grouped ones.
  // carry: null, or the state of InsideCp932, whose positions the masks leave out.
  std::size_t Filter(const unsigned char* p, std::size_t blocks, std::uint64_t* masks, bool grouped,
                     std::uint64_t* carry) const;
  std::size_t FilterAvx2(const unsigned char* p, std::size_t blocks, std::uint64_t* masks, bool grouped,
                         std::uint64_t* carry) const;
  // The tables at the positions of `mask` in the block at p: the ones where
  // a needle may start. kTables: those of the needles of up to five bytes,
  // of six or more, or both.
  // kNoPairs: the two-byte table is left out (the caller has the one-byte
  // strings' positions from the first stage, and there are no two-byte ones).
  enum : unsigned { kTablesShort = 1, kTablesLong = 2, kTablesAll = 3, kNoPairs = 4 };
  template <unsigned kTables>
  [[gnu::always_inline]] inline std::uint64_t Refine(const unsigned char* p, std::uint64_t mask) const;
  // Refine for a block of the vector filter: positions that passed the
  // merged or short sets (mask) and the long sets (maskLong).
  template <unsigned kPairs>
  [[gnu::always_inline]] inline std::uint64_t RefineBlock(const unsigned char* p, std::uint64_t mask,
                                                          std::uint64_t maskLong, bool grouped) const;

  // Every needle that starts at i.
  template <class OnMatch>
  bool CheckAt(const unsigned char* p, std::size_t n, std::size_t i, OnMatch& onMatch) const {
    if (m_hasOne && m_one[p[i]] && !onMatch(m_one[p[i]] - 1, i)) return false;
    // A one-byte string's position reaches here too; most often nothing longer starts with it.
    if (i + 1 >= n || !m_startsLonger[p[i]]) return true;
    if (m_hasTwo) {
      const unsigned k = (unsigned{p[i]} << 8) | p[i + 1];
      if (!ReportBucket(m_two, k, p + i, n - i, i, onMatch)) return false;
    }
    if (i + 2 >= n) return true;
    if (m_hasThree) {
      const unsigned k = Hash3(p + i);
      if (!ReportBucket(m_three, k, p + i, n - i, i, onMatch)) return false;
    }
    if (i + 3 >= n) return true;
    if (m_hasLong) {
      const unsigned k = Hash4(p + i);
      if (!ReportBucket(m_long, k, p + i, n - i, i, onMatch)) return false;
    }
    if (i + 5 >= n || !m_hasSix) return true;
    const unsigned k = Hash6(p + i);
    return ReportBucket(m_six, k, p + i, n - i, i, onMatch);
  }
  // The hashes take the bytes as a little-endian number, as the filter
  // loads them; HashOf32 keys three or four bytes, HashOf48 six.
  static unsigned HashOf32(std::uint32_t v) { return (v * 0x9E3779B1u) >> 16; }
  static unsigned HashOf48(std::uint64_t v) { return static_cast<unsigned>((v * 0x9E3779B97F4A7C15ull) >> 48); }
  static unsigned Hash3(const unsigned char* s) {
    return HashOf32(std::uint32_t{s[0]} | (std::uint32_t{s[1]} << 8) | (std::uint32_t{s[2]} << 16));
  }
  static unsigned Hash4(const unsigned char* s) {
    return HashOf32(std::uint32_t{s[0]} | (std::uint32_t{s[1]} << 8) | (std::uint32_t{s[2]} << 16) |
                    (std::uint32_t{s[3]} << 24));
  }
  // Six bytes: in UTF-8 two Japanese characters, where four bytes are one
  // character and the lead byte of the next, which common characters share.
  static unsigned Hash6(const unsigned char* s) {
    std::uint64_t v = 0;
    for (int k = 5; k >= 0; --k) v = (v << 8) | s[k];
    return HashOf48(v);
  }

  // A needle in a table: its first eight bytes (zero past its end) beside
  // its id, so that most comparisons read nothing else.
  struct Entry {
    std::uint64_t head;
    std::uint32_t id;  // or kBigBucket + the big bucket's index
    std::uint32_t size;
  };
  // Needles keyed by a hash of their first bytes (or the two bytes): a bit
  // per key, and the keys' buckets in key order, found by the rank of their
  // bit. A table of 1000 needles takes some 30 KB, not the 290 KB that a
  // start per key and the strings took, which the caller's work pushed out
  // of the cache.
  struct Table {
    std::vector<std::uint64_t> bits;
    std::vector<std::uint16_t> rank;   // per word of bits: the bits set before it
    std::vector<std::uint32_t> start;  // per bucket, and one past the last: its entries
    std::vector<Entry> entries;
  };

  // The text at `at` (left bytes of it, at least e.size) starts with e's needle.
  bool StartsWith(const unsigned char* at, std::size_t left, const Entry& e) const {
    std::uint64_t w = 0;
    std::memcpy(&w, at, std::min<std::size_t>(left, 8));
    if (e.size < 8) {
      const std::uint64_t low = (std::uint64_t{1} << (8 * e.size)) - 1;
      w &= std::endian::native == std::endian::little ? low : ~(~std::uint64_t{0} >> (8 * e.size));
    }
    return w == e.head && (e.size <= 8 || std::memcmp(at + 8, m_needles[e.id].data() + 8, e.size - 8) == 0);
  }

  // Without a popcnt instruction in the baseline, the builtin is a call.
  static std::size_t BitCount(std::uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555ull;
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<std::size_t>((x * 0x0101010101010101ull) >> 56);
  }

  template <class OnMatch>
  bool ReportBucket(const Table& t, unsigned k, const unsigned char* at, std::size_t left, std::size_t pos,
                    OnMatch& onMatch) const {
    // The key's bit, read once: most keys have none, and then no bucket.
    const std::uint64_t word = t.bits[k >> 6];
    if (!((word >> (k & 63)) & 1)) return true;
    const std::uint64_t below = word & ((std::uint64_t{1} << (k & 63)) - 1);
    const std::size_t bucket = t.rank[k >> 6] + BitCount(below);
    for (std::uint32_t b = t.start[bucket]; b < t.start[bucket + 1]; ++b) {
      const Entry& e = t.entries[b];
      if (e.id >= kBigBucket) {
        if (!ReportBig(m_big[e.id - kBigBucket], at, left, pos, onMatch)) return false;
        continue;
      }
      if (e.size <= left && StartsWith(at, left, e) && !onMatch(e.id, pos)) return false;
    }
    return true;
  }

  // A bucket of more than this many strings becomes a big bucket: its place
  // in the ids holds kBigBucket + its index in m_big.
  static constexpr std::size_t kBigAbove = 8;
  static constexpr std::uint32_t kBigBucket = 0x80000000u;
  struct BigSlot {
    std::uint64_t hash;
    std::uint32_t id;  // kNoSlot: empty
  };
  static constexpr std::uint32_t kNoSlot = ~std::uint32_t{0};
  // FNV-1a over a string's bytes, one byte at a time, so a text's prefixes
  // of every length are hashed in one pass.
  static constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325ull;
  static std::uint64_t FnvStep(std::uint64_t h, unsigned char c) { return (h ^ c) * 0x100000001b3ull; }
  std::size_t BigSlotOf(std::uint64_t hash) const {
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ull) >> m_bigShift);
  }
  void AddBigSlot(std::uint32_t id);

  template <class OnMatch>
  bool ReportBig(const std::vector<std::uint32_t>& lengths, const unsigned char* at, std::size_t left,
                 std::size_t pos, OnMatch& onMatch) const {
    std::uint64_t h = kFnvStart;
    std::size_t hashed = 0;
    for (const std::uint32_t n : lengths) {
      if (n > left) break;
      for (; hashed < n; ++hashed) h = FnvStep(h, at[hashed]);
      for (std::size_t k = BigSlotOf(h); m_bigSlots[k].id != kNoSlot; k = (k + 1) & (m_bigSlots.size() - 1)) {
        const BigSlot& slot = m_bigSlots[k];
        if (slot.hash != h) continue;
        const std::string& s = m_needles[slot.id];
        if (s.size() == n && std::memcmp(at, s.data(), n) == 0 && !onMatch(slot.id, pos)) return false;
      }
    }
    return true;
  }

  void Build(Table& t, std::vector<std::pair<unsigned, std::uint32_t>>& keyed);

  std::vector<std::string> m_needles;
  // Big buckets: the lengths of their strings, ascending; their strings in
  // one open-addressing table keyed by the hash of the whole string.
  std::vector<std::vector<std::uint32_t>> m_big;
  std::vector<BigSlot> m_bigSlots;
  unsigned m_bigShift = 64;
  bool m_hasOne = false, m_hasTwo = false, m_hasThree = false, m_hasLong = false, m_hasSix = false;
  std::array<std::uint32_t, 256> m_one{};  // id + 1 of the one-byte needle, or 0
  std::array<bool, 256> m_startsLonger{};  // the first byte of a needle of two bytes or more
  // Needles of 2, 3, 4 to 5, and 6 or more bytes.
  Table m_two, m_three, m_long, m_six;
  // Filter of one- and two-byte needles, keyed by p[0] | p[1] << 8; a
  // one-byte needle marks every second byte.
  std::vector<std::uint64_t> m_pairBits;
  // Byte sets for the vector filter's first stage, as nibble tables. A
  // position passes when its byte is a one-byte needle, or its bytes are
  // among the bytes at the same places of the needles: merged, the first
  // three bytes of every needle of two bytes or more; grouped, the first
  // three bytes of the needles of two to five bytes, or the first six of the
  // longer ones (the short needles then do not open every byte after their
  // third to the long ones). Set k: [k][0] for bytes below 0x80, [k][1] for
  // the rest; entry lo has bit h when the byte with high nibble h (or h + 8)
  // and low nibble lo is in it.
  static constexpr int kLongSets = 6, kShortSets = 3;
  enum {
    kSetOne,
    kSetMerged,
    kSetShort = kSetMerged + kShortSets,
    kSetLong = kSetShort + kShortSets,
    kSets = kSetLong + kLongSets
  };
  alignas(32) std::array<std::array<std::array<std::uint8_t, 32>, 2>, kSets> m_sets{};
  // Shift-JIS lead-capable and valid trail bytes, as the same nibble tables.
  alignas(32) std::array<std::array<std::uint8_t, 32>, 2> m_cp932Lead{}, m_cp932Trail{};
  bool m_hasMulti = false, m_hasShort = false, m_hasLongSets = false;  // needles of 2+, 2-5, 6+ bytes
};

}  // namespace zv
