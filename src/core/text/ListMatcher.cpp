#include "text/ListMatcher.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/Cpu.h"
#include "text/ListOverlaps.h"
#include "text/LiteralScanner.h"
#include "text/NibbleSet.h"
#include "text/TextConvert.h"

namespace zv {

namespace {

// A chunk keeps the scan's occurrences up to this many; past it, rows search
// the chunk instead.
constexpr std::size_t kMaxKeptOccurrences = 4096;
// Past this many checks (ways times insertions) a change takes every row it
// may form as a candidate unchecked.
constexpr std::size_t kMaxCreatedChecks = 4096;

// A set of rows, cleared and walked in time that grows with what it holds,
// not with the list: a summary bit marks each word in use, so a chunk of a
// 100,000-row list does not clear or walk 1,563 words.
class RowSet {
 public:
  explicit RowSet(std::size_t rows)
      : m_words((rows + 63) / 64, 0), m_summary((m_words.size() + 63) / 64, 0) {}

  void Add(std::size_t row) {
    m_words[row >> 6] |= std::uint64_t{1} << (row & 63);
    m_summary[row >> 12] |= std::uint64_t{1} << ((row >> 6) & 63);
  }
  bool Has(std::size_t row) const { return (m_words[row >> 6] >> (row & 63)) & 1; }

  void Clear() {
    for (std::size_t s = 0; s < m_summary.size(); ++s) {
      for (std::uint64_t bits = m_summary[s]; bits; bits &= bits - 1)
        m_words[(s << 6) + static_cast<std::size_t>(std::countr_zero(bits))] = 0;
      m_summary[s] = 0;
    }
  }

  // The first row at or after `from`, or SIZE_MAX.
  std::size_t Next(std::size_t from) const {
    std::size_t w = from >> 6;
    if (w >= m_words.size()) return SIZE_MAX;
    if (const std::uint64_t word = m_words[w] & (~std::uint64_t{0} << (from & 63)))
      return (w << 6) + static_cast<std::size_t>(std::countr_zero(word));
    // Words are never emptied but all at once, so a summary bit means a row.
    std::size_t s = ++w >> 6;
    if (s >= m_summary.size()) return SIZE_MAX;
    std::uint64_t bits = m_summary[s] & (~std::uint64_t{0} << (w & 63));
    while (!bits) {
      if (++s >= m_summary.size()) return SIZE_MAX;
      bits = m_summary[s];
    }
    w = (s << 6) + static_cast<std::size_t>(std::countr_zero(bits));
    return (w << 6) + static_cast<std::size_t>(std::countr_zero(m_words[w]));
  }

 private:
  std::vector<std::uint64_t> m_words, m_summary;
};

// A change by a row whose search string f and replacement r pass this test
// leaves every Shift-JIS character boundary outside the inserted text where
// it was. A boundary depends only on the run of lead-capable bytes before it
// (and whether its own byte can be a trail), so what counts is the run that
// ends the replacement: its length must have the parity of the one that
// ended the search string. Where either consists of lead-capable bytes only,
// the run goes on into the text before the match, which is even there when f
// starts with a byte that can be a trail (else the match would lie inside a
// character).
bool KeepsCp932Boundaries(std::string_view f, std::string_view r) {
  auto trailingLeads = [](std::string_view s) {
    std::size_t k = 0;
    while (k < s.size() && IsCp932Lead(static_cast<unsigned char>(s[s.size() - 1 - k]))) ++k;
    return k;
  };
  const std::size_t tf = trailingLeads(f), tr = trailingLeads(r);
  if (tf % 2 != tr % 2) return false;
  return IsCp932Trail(static_cast<unsigned char>(f[0])) || (tf < f.size() && tr < r.size());
}

// Bytes that are always a character of their own in the code page.
bool Standalone(unsigned char c, CodePage cp) {
  if (cp == CodePage::Utf8) return c < 0x80;
  return !IsCp932Lead(c) && !IsCp932Trail(c);
}

// Chunk ends: the separators nearest to a match, looked for 32 bytes at a
// time where the CPU can. p is the whole text: the vector walks read whole
// blocks of it past the range's ends.
class SeparatorSet {
 public:
  // members: the separators; standalone: those that are a character of their
  // own wherever they stand (Has).
  void Set(const std::array<bool, 256>& members, const std::array<bool, 256>& standalone) {
    m_is = members;
    m_standalone = standalone;
#ifdef ZV_HAVE_NIBBLE_SETS
    for (int c = 0; c < 256; ++c)
      if (members[static_cast<std::size_t>(c)]) AddToNibbleSet(m_nibbles, static_cast<unsigned char>(c));
    m_vector = CpuHasAvx2() && CpuHasBmi2();
#endif
  }

  // First separator in [from, n), or n.
  std::size_t Next(const char* p, std::size_t from, std::size_t n) const {
#ifdef ZV_HAVE_NIBBLE_SETS
    if (m_vector && n >= 32) return NextVector(p, from, n);
#endif
    while (from < n && !m_is[static_cast<unsigned char>(p[from])]) ++from;
    return from;
  }

  bool Has(unsigned char c) const { return m_standalone[c]; }

  // Just past the last separator in [lo, to), or lo.
  std::size_t Prev(const char* p, std::size_t lo, std::size_t to) const {
#ifdef ZV_HAVE_NIBBLE_SETS
    if (m_vector && to >= 32) return PrevVector(p, lo, to);
#endif
    while (to > lo && !m_is[static_cast<unsigned char>(p[to - 1])]) --to;
    return to;
  }

 private:
#ifdef ZV_HAVE_NIBBLE_SETS
  // Chunks lie close together, so most walks are shorter than 32 bytes: the
  // last block is read whole from inside the text (it holds 32 bytes at least)
  // and the positions outside the range are masked off, with no byte loop and
  // its mispredicted exit.
  __attribute__((target("avx2,bmi,bmi2"))) std::uint32_t Hits(const char* at) const {
    const __m256i miss = NotInSet(m_nibbles, NibblesOf(reinterpret_cast<const unsigned char*>(at)));
    return ~static_cast<std::uint32_t>(_mm256_movemask_epi8(miss));
  }
  __attribute__((target("avx2,bmi,bmi2"))) std::size_t NextVector(const char* p, std::size_t from,
                                                                  std::size_t n) const {
    for (; from + 32 <= n; from += 32)
      if (const std::uint32_t hit = Hits(p + from))
        return from + static_cast<std::size_t>(std::countr_zero(hit));
    if (from >= n) return n;
    // The last 32 bytes of the text; bit k is position n - 32 + k.
    const std::uint32_t hit = Hits(p + n - 32) >> (32 - (n - from));
    return hit ? from + static_cast<std::size_t>(std::countr_zero(hit)) : n;
  }
  __attribute__((target("avx2,bmi,bmi2"))) std::size_t PrevVector(const char* p, std::size_t lo,
                                                                  std::size_t to) const {
    if (to <= lo) return to;
    while (true) {
      // Bit k is position to - 32 + k; those below lo are not in the range.
      std::uint32_t hit = Hits(p + to - 32);
      if (to - lo < 32) hit &= ~std::uint32_t{0} << (32 - (to - lo));
      if (hit) return to - static_cast<std::size_t>(std::countl_zero(hit));
      if (to - lo <= 32) return lo;
      to -= 32;
      if (to < 32) break;
    }
    while (to > lo && !m_is[static_cast<unsigned char>(p[to - 1])]) --to;
    return to;
  }
  NibbleSet m_nibbles{};
  bool m_vector = false;
#endif
  std::array<bool, 256> m_is{}, m_standalone{};
};

// The result as it is written. Most pieces are a few bytes (the text
// between two occurrences, a replacement); copying such a piece as 32 bytes,
// into room kept past the end, costs less than a string append each.
class OutputBuffer {
 public:
  static constexpr std::size_t kWide = 32;

  std::size_t size() const { return m_size; }
  std::string_view View() const { return {m_buf.data(), m_size}; }
  void Reserve(std::size_t n) { m_buf.reserve(n + 2 * kWide); }
  // Takes back everything after the first n bytes.
  void Truncate(std::size_t n) { m_size = n; }

  // n bytes from p, where [p, end) may be read.
  [[gnu::always_inline]] void Append(const char* p, std::size_t n, const char* end) {
    MakeRoom(n);
    char* d = m_buf.data() + m_size;
    if (n <= kWide && end - p >= static_cast<std::ptrdiff_t>(kWide))
      std::memcpy(d, p, kWide);
    else if (n <= 2 * kWide && end - p >= static_cast<std::ptrdiff_t>(2 * kWide))
      std::memcpy(d, p, 2 * kWide);
    else
      std::memcpy(d, p, n);
    m_size += n;
  }
  void Append(std::string_view s) { Append(s.data(), s.size(), s.data() + s.size()); }
  // Room for n bytes that Fill writes later; returns where they go.
  std::size_t Hold(std::size_t n) {
    MakeRoom(n);
    const std::size_t at = m_size;
    m_size += n;
    return at;
  }
  void Fill(std::size_t at, const char* p, std::size_t n) { std::memcpy(m_buf.data() + at, p, n); }

  std::string Take() {
    m_buf.resize(m_size);
    m_size = 0;
    return std::move(m_buf);
  }

 private:
  // n bytes and the room a wide copy writes past them.
  [[gnu::always_inline]] void MakeRoom(std::size_t n) {
    if (m_size + n + 2 * kWide > m_buf.size()) Grow(n);
  }
  // The room is zeroed a step at a time, just before it is written, while
  // it is still in the first-level cache (16 KB steps; 64 KB ones left it).
  [[gnu::noinline]] void Grow(std::size_t n) {
    m_buf.resize(std::max(m_size + n + 2 * kWide, m_buf.size() + (std::size_t{1} << 14)));
  }

  std::string m_buf;  // its size is the room; m_size bytes are the result
  std::size_t m_size = 0;
};

// Results of short chunks by their bytes, for one compiled list and code
// page. A chunk's result depends on its bytes only (it starts on a character
// boundary and nothing reaches across its ends), and texts repeat their
// words, so a chunk seen before is copied from here instead of being worked
// out again. Each thread keeps one (MemoFor), so that it serves every file
// of a run. Two ways per set; when the bytes kept run out it starts afresh.
class ChunkMemo {
  struct Set;

 public:
  static constexpr std::size_t kMaxKey = 48, kMaxResult = 1024, kMaxCount = 0xFFFF;
  // A key's first, second and last eight bytes (fewer for short keys, see
  // Words) are held in its entry: most keys are no longer than 24 bytes and
  // are told apart without reading m_bytes, whose lines lie outside the cache.
  struct Entry {
    std::uint64_t head = 0, tail = 0, second = 0;
    std::uint64_t at : 21 = 0;  // the key's bytes, then the result's, in m_bytes
    std::uint64_t keySize : 6 = 0, resultSize : 11 = 0;
    std::uint64_t count : 16 = 0;       // replacements the chunk took
    std::uint64_t generation : 10 = 0;  // the entry holds a chunk only in the memo's current one
  };
  static_assert(sizeof(Entry) == 32);

  ChunkMemo() : m_sets(kSets), m_bytes(std::make_unique<char[]>(kBytes + OutputBuffer::kWide)) {}

  // Whose results these are; a new owner finds it empty.
  void Own(std::uint64_t owner) {
    if (owner == m_owner) return;
    m_owner = owner;
    Clear();
  }

  // Where the chunk [p, p + n) would be, its set's line already on its way
  // to the cache: Find comes after the scan has gone on a little.
  struct Lookup {
    std::uint64_t a, b, c;
    const Set* set;
  };
  Lookup Locate(const char* p, std::size_t n) const {
    Lookup k;
    Words(p, n, k.a, k.b, k.c);
    k.set = &m_sets[SetOf(n, k.a, k.b, k.c)];
    __builtin_prefetch(k.set);
    return k;
  }

  // The entry for the chunk [p, p + n), or nullptr.
  const Entry* Find(const Lookup& k, const char* p, std::size_t n) const {
    for (const Entry& e : k.set->ways)
      if (e.head == k.a && e.tail == k.b && e.second == k.c && e.keySize == n &&
          e.generation == m_generation && (n <= 24 || SameMiddle(m_bytes.get() + e.at, p, n)))
        return &e;
    return nullptr;
  }
  const char* ResultOf(const Entry& e) const { return m_bytes.get() + e.at + e.keySize; }
  const char* End() const { return m_bytes.get() + kBytes + OutputBuffer::kWide; }

  void Put(std::string_view key, std::string_view result, std::size_t count) {
    if (result.size() > kMaxResult || count > kMaxCount) return;
    if (m_used + key.size() + result.size() > kBytes) Clear();
    char* d = m_bytes.get() + m_used;
    std::memcpy(d, key.data(), key.size());
    std::memcpy(d + key.size(), result.data(), result.size());
    std::uint64_t a, b, c;
    Words(key.data(), key.size(), a, b, c);
    // The newest in the first way; the one it displaces, in the second.
    Set& set = m_sets[SetOf(key.size(), a, b, c)];
    set.ways[1] = set.ways[0];
    Entry& e = set.ways[0];
    e.head = a;
    e.tail = b;
    e.second = c;
    e.at = m_used;
    e.keySize = key.size();
    e.resultSize = result.size();
    e.count = count;
    e.generation = m_generation;
    m_used += key.size() + result.size();
  }

 private:
  static constexpr std::size_t kSetBits = 14, kSets = std::size_t{1} << kSetBits, kBytes = 2048 * 1024;
  // Both ways in one cache line.
  struct alignas(64) Set {
    Entry ways[2];
  };

  // Every entry goes out at once: a fuzzer or a list edited between files
  // starts it afresh often.
  void Clear() {
    if (++m_generation == kGenerations) {
      std::fill(m_sets.begin(), m_sets.end(), Set{});
      m_generation = 1;
    }
    m_used = 0;
  }

  // Loads of up to 8 bytes that stay within [p, p + n); with n they tell
  // keys of up to 24 bytes apart.
  static void Words(const char* p, std::size_t n, std::uint64_t& a, std::uint64_t& b, std::uint64_t& c) {
    c = 0;
    if (n > 16) std::memcpy(&c, p + 8, 8);
    if (n >= 8) {
      std::memcpy(&a, p, 8);
      std::memcpy(&b, p + n - 8, 8);
    } else if (n >= 4) {
      std::uint32_t x, y;
      std::memcpy(&x, p, 4);
      std::memcpy(&y, p + n - 4, 4);
      a = x;
      b = y;
    } else {
      a = static_cast<unsigned char>(p[0]) | std::uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
          std::uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
      b = 0;
    }
  }

  // The bytes of keys longer than 24 between their second and last eight.
  static bool SameMiddle(const char* x, const char* y, std::size_t n) {
    for (std::size_t k = 16; k + 8 < n; k += 8) {
      std::uint64_t xa, ya;
      std::memcpy(&xa, x + k, 8);
      std::memcpy(&ya, y + k, 8);
      if (xa != ya) return false;
    }
    return true;
  }

  static std::size_t SetOf(std::size_t n, std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    std::uint64_t h =
        (a * 0x9E3779B97F4A7C15ULL) ^ (b * 0xC2B2AE3D27D4EB4FULL) ^ (c * 0x165667B19E3779F9ULL) ^ n;
    h ^= h >> 29;
    return static_cast<std::size_t>((h * 0xBF58476D1CE4E5B9ULL) >> (64 - kSetBits));
  }

  std::uint64_t m_owner = 0;
  static constexpr std::uint32_t kGenerations = 1u << 10;
  static_assert(kBytes <= std::size_t{1} << 21 && kMaxKey < 64 && kMaxResult < 2048);
  std::uint32_t m_generation = 1;
  std::vector<Set> m_sets;
  std::unique_ptr<char[]> m_bytes;
  std::size_t m_used = 0;
};

}  // namespace

class CompiledList {
 public:
  explicit CompiledList(const ConvertRows& rows);
  CompiledList(const CompiledList&) = delete;
  CompiledList& operator=(const CompiledList&) = delete;

  ConvertRows m_rows;
  // This list among all compiled in the process, for the chunk memos.
  std::uint64_t m_serial = 0;
  std::vector<std::string> m_needles;                    // distinct search strings
  std::vector<std::vector<std::uint32_t>> m_needleRows;  // rows of each needle, ascending
  std::vector<std::uint32_t> m_rowNeedle;                // needle of each row (rows with a search string)
  std::vector<std::uint32_t> m_firstRow;  // first row of each needle, read without a pointer chase
  // Our own scanner: Debian 12's vectorscan 5.4.9 misses matches of
  // small literal sets on x86 (e.g. "a" among {"ba", "a"} after 64 other bytes).
  std::unique_ptr<const LiteralScanner> m_scanner;      // Shift-JIS texts and names
  std::unique_ptr<const LiteralScanner> m_scannerUtf8;  // UTF-8 texts
  bool m_ok = false;
  // Per row: where later rows may appear around an insertion, all rows'
  // entries in one array (row r's from m_createFrom[r] to m_createFrom[r + 1]),
  // those that cannot start on a Shift-JIS boundary last, from m_createInside[r].
  // Those can be left out while boundaries stay put until a change covers
  // them or a rescan follows: in direct chunks, and where the scan leaves
  // out inside positions.
  std::vector<Created> m_create;
  std::vector<std::uint32_t> m_createFrom, m_createInside;
  std::span<const Created> CreatedBy(std::size_t row, bool skipInsideCp932) const {
    const std::uint32_t end = skipInsideCp932 ? m_createInside[row] : m_createFrom[row + 1];
    return {m_create.data() + m_createFrom[row], m_create.data() + end};
  }
  // Each needle's size and each row's replacement, where the per-match work
  // reads them without loading the strings and rows themselves.
  std::vector<std::uint32_t> m_needleSize;
  std::vector<std::string_view> m_with;
  // The replacements side by side with room after the last, so that any of
  // them can be read 32 bytes at a time (OutputBuffer).
  std::string m_withBytes;
  const char* m_withEnd = nullptr;
  std::vector<std::uint8_t> m_rescan;  // per row: a change needs a rescan of its chunk
  // Per row, from its entries: the bytes a later row's string needs right
  // after an insertion (strings that run past its end) and right before it
  // (those that start before it and end inside it), and whether a string
  // lies wholly inside it. Most insertions have neither byte next to them,
  // and their entries need not be compared one by one.
  struct Edges {
    std::array<std::uint64_t, 4> after{}, before{};
    bool inside = false, anyAfter = false, anyBefore = false;
    // Whether one of these sets holds byte b.
    static bool Holds(const std::array<std::uint64_t, 4>& set, char b) {
      const auto u = static_cast<unsigned char>(b);
      return ((set[u >> 6] >> (u & 63)) & 1) != 0;
    }
  };
  std::vector<Edges> m_edges;
  // Per entry (beside m_create): the byte next to the insertion that its
  // string needs, after it or before it, or none for a string inside it. An
  // insertion's entries are turned down by this before their strings are
  // compared.
  static constexpr std::uint16_t kKeyInside = 0, kKeyNone = 0xFFFF;
  static std::uint16_t KeyAfter(char b) {
    return static_cast<std::uint16_t>(0x100 | static_cast<unsigned char>(b));
  }
  static std::uint16_t KeyBefore(char b) {
    return static_cast<std::uint16_t>(0x200 | static_cast<unsigned char>(b));
  }
  std::vector<std::uint16_t> m_createKey;
  // Per needle: its row when it is the needle of one row only and a change
  // by that row needs no rescan, else -1. A chunk where only such a needle
  // occurs takes the direct way without the row set.
  std::vector<std::int64_t> m_onlyRow;
  std::array<SeparatorSet, 2> m_sep;  // [utf8?]: chunk separators
  bool m_ignoresLineEnds = true;
  // [utf8?][needle]: its first byte is one that often lies inside a
  // character: a UTF-8 continuation byte, or an ASCII byte that may be a
  // Shift-JIS trail byte (0x40-0x7E, e.g. the 0x5C of 表 or ソ).
  std::array<std::vector<std::uint8_t>, 2> m_maybeInside;
  // Every row that changes a chunk without a rescan keeps Shift-JIS
  // boundaries (KeepsCp932Boundaries). An occurrence inside a character
  // then stays inside until text is inserted over it, which the created
  // rows and rescans see, so the scan may leave such occurrences out.
  bool m_keepsCp932Boundaries = true;
  // [utf8?][row]: a change by the row needs no rescan and leaves every
  // character boundary outside its insertion where it was (whole UTF-8
  // characters, or KeepsCp932Boundaries), so occurrences found by the scan
  // stay valid around it.
  std::array<std::vector<std::uint8_t>, 2> m_direct;
  // [utf8?][needle]: its only row is direct there and its insertions form no
  // later row's search string (kAlone), or form one only with the bytes next
  // to them (kAloneEdged: no entry lies wholly inside), so an occurrence
  // that overlaps no other one, and whose neighbours turn its entries down,
  // is replaced on its own, without finding its chunk.
  static constexpr std::uint8_t kAlone = 1, kAloneEdged = 2;
  // What the replacement of such an occurrence reads, in one cache line:
  // it is read for every occurrence, beside the text and the output.
  struct alignas(64) AloneNeedle {
    std::array<std::uint64_t, 4> after{};  // its row's Edges::after
    const char* with = nullptr;            // its row's replacement, in m_withBytes
    std::uint32_t withSize = 0;
    std::uint32_t row = 0;
    std::uint8_t kind = 0;  // 0, kAlone or kAloneEdged
    bool anyAfter = false, anyBefore = false;
  };
  std::array<std::vector<AloneNeedle>, 2> m_alone;
};

namespace {
std::atomic<std::size_t> g_compiled{0};
}  // namespace

std::size_t CompiledListsMade() { return g_compiled.load(); }

CompiledList::CompiledList(const ConvertRows& rows) : m_rows(rows) {
  m_serial = g_compiled.fetch_add(1) + 1;
  const std::size_t n = rows.size();
  std::map<std::string, std::uint32_t> index;
  m_rowNeedle.assign(n, 0);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::string& f = rows[i].m_strFind;
    if (f.empty()) continue;  // a row without a search string does nothing
    auto [it, added] = index.emplace(f, static_cast<std::uint32_t>(m_needles.size()));
    if (added) {
      const auto first = static_cast<unsigned char>(f[0]);
      m_maybeInside[0].push_back(first >= 0x40 && first <= 0x7E);
      m_maybeInside[1].push_back((first & 0xC0) == 0x80);
      m_needles.push_back(f);
      m_needleRows.emplace_back();
    }
    m_needleRows[it->second].push_back(i);
    m_rowNeedle[i] = it->second;
    const std::string& r = rows[i].m_strReplaceWith;
    if (f.find_first_of("\r\n") != std::string::npos || r.find_first_of("\r\n") != std::string::npos)
      m_ignoresLineEnds = false;
  }

  for (int u = 0; u < 2; ++u) {
    const CodePage cp = u ? CodePage::Utf8 : CodePage::Cp932;
    std::array<bool, 256> inNeedle{};
    for (const std::string& f : m_needles)
      for (unsigned char c : f) inNeedle[c] = true;
    // A chunk starts where a character does, and nothing reaches across its
    // ends: it is cut at bytes in no search string after which a character
    // always starts. In Shift-JIS that is every byte that cannot lead (a
    // letter ends a character as a trail byte too); in UTF-8, ASCII. Where
    // every search string is ASCII, a UTF-8 match can only start on ASCII,
    // which always starts a character: every other byte cuts too.
    const bool asciiNeedles = std::find(inNeedle.begin() + 0x80, inNeedle.end(), true) == inNeedle.end();
    std::array<bool, 256> sep{}, standalone{};
    for (int c = 0; c < 256; ++c) {
      const auto b = static_cast<unsigned char>(c);
      standalone[b] = !inNeedle[b] && Standalone(b, cp);
      sep[b] = !inNeedle[b] && (cp == CodePage::Cp932 ? !IsCp932Lead(b) : b < 0x80 || asciiNeedles);
    }
    m_sep[u].Set(sep, standalone);
  }

  if (!m_needles.empty()) {
    m_scanner = std::make_unique<const LiteralScanner>(m_needles, false);
    m_scannerUtf8 = std::make_unique<const LiteralScanner>(m_needles, true);
  }
  OverlapTable overlaps = BuildOverlapTable(m_rows, m_needles, m_needleRows, m_scanner.get());
  m_create = std::move(overlaps.entries);
  m_createFrom = std::move(overlaps.from);
  m_createInside = std::move(overlaps.inside);
  m_rescan = std::move(overlaps.rescan);
  m_edges.resize(n);
  m_createKey.assign(m_create.size(), kKeyInside);
  for (std::size_t i = 0; i < n; ++i) {
    const long nr = static_cast<long>(rows[i].m_strReplaceWith.size());
    Edges& e = m_edges[i];
    for (std::uint32_t k = m_createFrom[i]; k < m_createFrom[i + 1]; ++k) {
      const Created& c = m_create[k];
      const long d = c.offset, nf = c.size;
      auto add = [](std::array<std::uint64_t, 4>& m, char b) {
        const auto u = static_cast<unsigned char>(b);
        m[u >> 6] |= std::uint64_t{1} << (u & 63);
      };
      if (d + nf > nr) {
        add(e.after, c.find[nr - d]);
        e.anyAfter = true;
        m_createKey[k] = KeyAfter(c.find[nr - d]);
      } else if (d < 0) {
        add(e.before, c.find[-d - 1]);
        e.anyBefore = true;
        m_createKey[k] = KeyBefore(c.find[-d - 1]);
      } else {
        e.inside = true;
      }
    }
  }
  // Each row's entries sorted by key within its two parts, so that those an
  // insertion's neighbours let through are found rather than walked.
  std::vector<std::pair<std::uint16_t, Created>> part;
  for (std::size_t i = 0; i < n; ++i)
    for (const auto& [a, b] :
         {std::pair{m_createFrom[i], m_createInside[i]}, std::pair{m_createInside[i], m_createFrom[i + 1]}}) {
      part.clear();
      for (std::uint32_t k = a; k < b; ++k) part.emplace_back(m_createKey[k], m_create[k]);
      std::stable_sort(part.begin(), part.end(),
                       [](const auto& x, const auto& y) { return x.first < y.first; });
      for (std::uint32_t k = a; k < b; ++k) std::tie(m_createKey[k], m_create[k]) = part[k - a];
    }
  m_direct[0].assign(n, 0);
  m_direct[1].assign(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string& f = rows[i].m_strFind;
    const std::string& r = rows[i].m_strReplaceWith;
    if (m_rescan[i] || f.empty()) continue;
    const bool cp932 = KeepsCp932Boundaries(f, r);
    if (!cp932) m_keepsCp932Boundaries = false;
    m_direct[0][i] = cp932;
    m_direct[1][i] = IsValidText(f, CodePage::Utf8) && IsValidText(r, CodePage::Utf8);
  }
  for (const ConvertItem& row : m_rows) m_withBytes += row.m_strReplaceWith;
  m_withBytes.append(OutputBuffer::kWide, '\0');
  for (std::size_t i = 0, at = 0; i < n; at += m_rows[i++].m_strReplaceWith.size())
    m_with.emplace_back(m_withBytes.data() + at, m_rows[i].m_strReplaceWith.size());
  m_withEnd = m_withBytes.data() + m_withBytes.size();
  m_onlyRow.assign(m_needles.size(), -1);
  for (std::size_t k = 0; k < m_needles.size(); ++k) {
    const auto& r = m_needleRows[k];
    m_firstRow.push_back(r[0]);
    if (r.size() == 1 && !m_rescan[r[0]]) m_onlyRow[k] = r[0];
    m_needleSize.push_back(static_cast<std::uint32_t>(m_needles[k].size()));
    // No entries: CreatedBy(row, u == 0) is empty (Shift-JIS: direct rows keep
    // boundaries, so inside entries cannot form). Read from the bounds, since
    // one more call here made GCC stop inlining CreatedBy in the chunk work.
    const long row = m_onlyRow[k];
    for (int u = 0; u < 2; ++u) {
      AloneNeedle alone;
      if (row >= 0 && m_direct[u][row]) {
        if (m_createFrom[row] == (u ? m_createFrom[row + 1] : m_createInside[row]))
          alone.kind = kAlone;
        else if (!m_edges[row].inside)
          alone.kind = kAloneEdged;
        alone.after = m_edges[static_cast<std::size_t>(row)].after;
        alone.anyAfter = m_edges[static_cast<std::size_t>(row)].anyAfter;
        alone.anyBefore = m_edges[static_cast<std::size_t>(row)].anyBefore;
        alone.row = static_cast<std::uint32_t>(row);
        alone.with = m_with[static_cast<std::size_t>(row)].data();
        alone.withSize = static_cast<std::uint32_t>(m_with[static_cast<std::size_t>(row)].size());
      }
      m_alone[u].push_back(alone);
    }
  }

  m_ok = true;
}

namespace {

// Index of the per-code-page tables of a compiled list ([utf8?]).
std::size_t ForUtf8(CodePage cp) { return cp == CodePage::Utf8 ? 1 : 0; }

// This thread's chunk memo, holding the list's results in the code page.
ChunkMemo& MemoFor(const CompiledList& list, CodePage cp) {
  thread_local std::unique_ptr<ChunkMemo> memo;
  if (!memo) memo = std::make_unique<ChunkMemo>();
  memo->Own(list.m_serial * 2 + ForUtf8(cp));
  return *memo;
}

class Applier {
 public:
  Applier(const CompiledList& list, const std::string& text, CodePage cp)
      : L(list),
        m_scanner(cp == CodePage::Utf8 ? *list.m_scannerUtf8 : *list.m_scanner),
        m_text(text),
        m_cp(cp),
        m_sep(list.m_sep[ForUtf8(cp)]),
        m_maybeInside(list.m_maybeInside[ForUtf8(cp)]),
        m_onBoundaryOnly(cp == CodePage::Cp932 && list.m_keepsCp932Boundaries),
        m_direct(list.m_direct[ForUtf8(cp)]),
        m_alone(list.m_alone[ForUtf8(cp)]),
        m_rowSet(list.m_rows.size()),
        m_memo(MemoFor(list, cp)) {}

  bool Run() {
    const bool scanned = m_scanner.Scan(
        m_text, [this](std::uint32_t id, std::size_t start) { return OnMatch(id, start) == 0; },
        m_onBoundaryOnly, &m_skipEnd);
    if (!scanned || m_failed) return false;
    if (m_pending) Settle();
    FillHeld();
    if (m_inChunk) ProcessChunk();
    return !m_failed;
  }

  bool Changed() const { return m_changed; }
  std::size_t Count() const { return m_count; }
  std::string TakeResult() {
    CopyText(m_copied, m_text.size());
    const std::size_t in = m_text.size(), out = m_out.size();
    GrowthEighths() = out > in ? std::min<std::size_t>(8, (out - in) * 8 / in + 1) : 1;
    return m_out.Take();
  }

 private:
  struct Occurrence {
    std::uint32_t needle;
    std::size_t start;
  };

  // An occurrence that opened no chunk: replaced on its own (with the output
  // as it was before), or passed over.
  struct Logged {
    std::uint32_t needle;
    std::size_t start, out, copied;
    bool replaced;
  };

  // Most occurrences lie outside any chunk and are replaced on their own:
  // that is tried here, inside the scan's loop, and the rest is called.
  [[gnu::always_inline]] int OnMatch(unsigned id, std::size_t start) {
    if (start < m_lastStart || start < m_skipEnd || (m_inChunk | m_pending) || !m_aloneOn)
      return OuterMatch(id, start);
    m_lastStart = start;
    const std::size_t to = start + L.m_needleSize[id];
    if (!Alone(id, start, to)) OpenChunkOutside(id, start, to);
    return 0;
  }
  [[gnu::noinline]] void OpenChunkOutside(unsigned id, std::size_t start, std::size_t to) {
    OpenChunk(id, start, to);
  }

  [[gnu::noinline]] int OuterMatch(unsigned id, std::size_t start) {
    // Chunks are found from matches in start order; anything else would
    // break the walk, so give up and let the reference engine run.
    if (start < m_lastStart) {
      m_failed = true;
      return 1;
    }
    m_lastStart = start;
    // In a chunk whose result came from the memo: the scan passes over the
    // rest of it, but other needles at the position that opened it still come.
    if (start < m_skipEnd) return 0;
    if (m_pending) Settle();
    const std::size_t to = start + L.m_needleSize[id];
    if (m_inChunk && start < m_chunkEnd) {
      AddToChunk(id, start);
      return 0;
    }
    if (m_inChunk) {
      ProcessChunk();
      if (m_failed) return 1;
    }
    if (m_aloneOn) {
      if (Alone(id, start, to)) return 0;
    } else if (m_maybeInside[id] && !m_onBoundaryOnly && !IsCharBoundary(m_text, start, m_cp)) {
      // An occurrence inside a character can only come onto a boundary
      // through a change before it in its chunk, and none happens: the
      // occurrences before it were inside characters too (or were replaced
      // on their own, by rows that keep boundaries and form nothing), and a
      // match formed later that starts before it also covers its first
      // byte. It opens no chunk.
      return 0;
    }
    OpenChunk(id, start, to);
    return 0;
  }

  // Replaces the occurrence on its own, or passes over it, if it can be
  // done without its chunk; logs it either way.
  [[gnu::noinline]] bool Alone(unsigned id, std::size_t start, std::size_t to) {
    if (m_log.size() >= kMaxKeptOccurrences) TrimLog(start);
    if (m_log.size() >= kMaxKeptOccurrences) return false;
    // Inside a character: see OuterMatch. It goes into the chunk that a
    // later occurrence opens, if any.
    const bool inside = !OnBoundary(id, start);
    const CompiledList::AloneNeedle& a = m_alone[id];
    if (!inside) {
      if (!a.kind) return false;
      if (start < m_aloneEnd) {
        // Another string overlapping it: gone by its row's turn if that
        // comes later; else the chunk settles both.
        if (id != m_aloneNeedle && a.row < m_aloneRow) return false;
      } else if (a.kind == CompiledList::kAloneEdged || m_aloneEdged) {
        // The neighbours are the text's own bytes unless another insertion
        // touches this one; then the chunk settles both.
        if (start == m_aloneEnd && m_aloneReplaced) return false;
        if (a.kind == CompiledList::kAloneEdged && AloneEdgesAllow(a, start, to)) return false;
      }
    }
    // Overlapping the last one replaced: replace-all passes the same string
    // over, and a later row's is no longer there when that row's turn comes.
    const bool replace = !inside && start >= m_aloneEnd;
    m_log.push_back({id, start, m_out.size(), m_copied, replace});
    if (replace) ReplaceAlone(a, id, start, to);
    return true;
  }

  // EdgesAllow for a needle replaced on its own (no entry lies inside).
  bool AloneEdgesAllow(const CompiledList::AloneNeedle& a, std::size_t start, std::size_t to) const {
    using Edges = CompiledList::Edges;
    return (a.anyAfter && to < m_text.size() && Edges::Holds(a.after, m_text[to])) ||
           (a.anyBefore && start > 0 && Edges::Holds(L.m_edges[a.row].before, m_text[start - 1]));
  }

  bool OnBoundary(unsigned id, std::size_t start) const {
    if (m_onBoundaryOnly || (m_cp == CodePage::Utf8 && !m_maybeInside[id])) return true;
    return IsCharBoundary(m_text, start, m_cp);
  }

  // The text's bytes [from, to) into the output.
  [[gnu::always_inline]] void CopyText(std::size_t from, std::size_t to) {
    m_out.Append(m_text.data() + from, to - from, m_text.data() + m_text.size());
  }
  void AppendWith(std::size_t row) { m_out.Append(L.m_with[row].data(), L.m_with[row].size(), L.m_withEnd); }

  // The output is sized once, before the text's first change goes into it,
  // for what the last text changed on this thread grew by (a run's texts are
  // alike): growing it later copies all that was written (dense short rows
  // grow a text by a fifth).
  void ReserveOutput() {
    if (!m_changed) m_out.Reserve(m_text.size() + m_text.size() / 8 * GrowthEighths() + 64);
  }
  // Eighths of a text beyond its size, one to eight.
  static std::size_t& GrowthEighths() {
    thread_local std::size_t eighths = 1;
    return eighths;
  }

  void ReplaceAlone(const CompiledList::AloneNeedle& a, unsigned id, std::size_t start, std::size_t to) {
    ReserveOutput();
    m_changed = true;
    CopyText(m_copied, start);
    m_out.Append(a.with, a.withSize, L.m_withEnd);
    m_copied = to;
    ++m_count;
    ++m_aloneReplaced;
    m_aloneEnd = to;
    m_aloneNeedle = id;
    m_aloneEdged = a.kind == CompiledList::kAloneEdged;
    m_aloneRow = a.row;
  }

  // Entries before the chunk of `start` can no longer go into a chunk.
  void TrimLog(std::size_t start) {
    m_prevEnd = m_sep.Prev(m_text.data(), m_prevEnd, start);
    m_log.erase(m_log.begin(), LoggedFrom(m_prevEnd));
  }

  // A short chunk is looked up in the memo only when the scan has passed it
  // (Settle): its set is then in the cache, where looking it up at once
  // waited for it. The scan passes over the rest of the chunk as it does for
  // a chunk found there; one that is not is scanned again.
  void OpenChunk(unsigned id, std::size_t start, std::size_t to) {
    m_chunkStart = m_sep.Prev(m_text.data(), m_prevEnd, start);
    m_chunkEnd = m_sep.Next(m_text.data(), to, m_text.size());
    if (m_chunkEnd - m_chunkStart <= ChunkMemo::kMaxKey) {
      m_lookup = m_memo.Locate(m_text.data() + m_chunkStart, m_chunkEnd - m_chunkStart);
      m_pending = true;
      m_pendingNeedle = id;
      m_pendingStart = start;
      m_skipEnd = m_chunkEnd;
      return;
    }
    StartChunk(id, start);
  }

  [[gnu::noinline]] void Settle() {
    m_pending = false;
    FillHeld();
    const char* p = m_text.data() + m_chunkStart;
    if (const ChunkMemo::Entry* e = m_memo.Find(m_lookup, p, m_chunkEnd - m_chunkStart)) {
      FromMemo(*e);
      return;
    }
    m_memoPut = true;
    const unsigned first = m_pendingNeedle;
    const std::size_t from = m_pendingStart;
    StartChunk(first, from);
    // The occurrences the scan passed over: those after the one that opened
    // the chunk, in the scan's order (no needle reaches past the chunk's end).
    bool after = false;
    m_scanner.Scan(
        std::string_view(m_text.data() + from, m_chunkEnd - from),
        [&](std::uint32_t id, std::size_t at) {
          if (after || at > 0)
            AddToChunk(id, from + at);
          else
            after = id == first;
          return true;
        },
        m_onBoundaryOnly);
  }

  void StartChunk(unsigned id, std::size_t start) {
    m_inChunk = true;
    m_kept.clear();
    m_keptAll = true;
    m_pieces = false;
    m_chunkNeedle = id;
    if (!m_log.empty()) RejoinLog();
    AddToChunk(id, start);
  }

  // The chunk just opened was seen before: its result is copied, the
  // occurrences logged in it are taken back, and the rest of it is passed over.
  void FromMemo(const ChunkMemo::Entry& e) {
    if (!m_log.empty()) RejoinLog(false);
    m_prevEnd = m_skipEnd = m_chunkEnd;
    if (!e.count) return;
    ReserveOutput();
    m_changed = true;
    CopyText(m_copied, m_chunkStart);
    // The result's bytes are copied at the next lookup (or the end), by
    // when they are in the cache; nothing before then writes or takes back
    // the output before them, nor changes the memo.
    m_heldFrom = m_memo.ResultOf(e);
    __builtin_prefetch(m_heldFrom);
    __builtin_prefetch(m_heldFrom + e.resultSize - 1);
    m_heldSize = e.resultSize;
    m_heldAt = m_out.Hold(m_heldSize);
    m_copied = m_chunkEnd;
    m_count += e.count;
  }
  void FillHeld() {
    if (!m_heldSize) return;
    m_out.Fill(m_heldAt, m_heldFrom, m_heldSize);
    m_heldSize = 0;
  }

  // The chunk's result (the output from outChunk) and count into the memo.
  void Remember(std::size_t countBefore, std::size_t outChunk) {
    const std::size_t n = m_count - countBefore;
    std::string_view result;
    if (n) {
      CopyText(m_copied, m_chunkEnd);
      m_copied = m_chunkEnd;
      result = m_out.View().substr(outChunk);
    }
    m_memo.Put({m_text.data() + m_chunkStart, m_chunkEnd - m_chunkStart}, result, n);
  }

  // The logged occurrences in the chunk just opened join it, and their
  // replacements are taken back. Where that happens to many, replacing on
  // their own stops.
  [[gnu::noinline]] void RejoinLog(bool join = true) {
    auto e = LoggedFrom(m_chunkStart);
    if (e != m_log.end()) {
      m_chunkNeedle = e->needle;
      m_out.Truncate(e->out);
      m_copied = e->copied;
    }
    for (; e != m_log.end(); ++e) {
      m_count -= e->replaced;
      m_aloneUndone += e->replaced;
      if (join) AddToChunk(e->needle, e->start);
    }
    m_log.clear();
    if (m_aloneUndone > kAloneTrial && m_aloneUndone * 4 > m_aloneReplaced) m_aloneOn = false;
  }

  // The first entry at or after pos (the log is in start order).
  std::vector<Logged>::iterator LoggedFrom(std::size_t pos) {
    return std::partition_point(m_log.begin(), m_log.end(), [pos](const Logged& e) { return e.start < pos; });
  }

  void AddToChunk(unsigned id, std::size_t start) {
    if (id != m_chunkNeedle) {
      // A second needle: from here on the chunk keeps its set of rows.
      if (m_chunkNeedle != kMixed) StartRowSet();
      MarkRows(id, -1);
    }
    Keep(id, start);
  }

  // The rows of the chunk's one needle so far, as a row set.
  void StartRowSet() {
    m_rowSet.Clear();
    MarkRows(m_chunkNeedle, -1);
    m_chunkNeedle = kMixed;
  }

  void Keep(unsigned id, std::size_t start) {
    if (m_kept.size() >= kMaxKeptOccurrences && m_keptAll) CutChunk(start);
    if (m_kept.size() < kMaxKeptOccurrences)
      m_kept.push_back({static_cast<std::uint32_t>(id), start});
    else
      m_keptAll = false;
  }

  // A long chunk (text without separators) has more occurrences than are
  // kept. Its first part is done the direct way up to a cut: a character
  // boundary that no occurrence spans, before `next`, the next occurrence.
  // Pieces done so join up to the chunk's result only if every piece can be
  // (no later row's string formed across a cut either); otherwise the pieces
  // are taken back at the chunk's end and it goes the general way.
  void CutChunk(std::size_t next) {
    // The last cut that leaves at most half of the occurrences kept.
    m_ends.clear();
    std::size_t end = 0;
    for (const Occurrence& o : m_kept) {
      m_ends.push_back(end);  // the end of the occurrences before o
      end = std::max(end, o.start + L.m_needleSize[o.needle]);
    }
    m_ends.push_back(end);
    std::size_t k = m_kept.size();
    for (; k >= m_kept.size() / 2 && k > 0; --k) {
      const std::size_t at = k == m_kept.size() ? next : m_kept[k].start;
      if (m_ends[k] <= at && at > m_chunkStart && IsCharBoundary(m_text, at, m_cp)) break;
    }
    if (k < m_kept.size() / 2 || k == 0) {
      m_keptAll = false;
      return;
    }
    const std::size_t cut = k == m_kept.size() ? next : m_kept[k].start;
    if (!m_pieces) {
      m_pieceStart = m_chunkStart;
      m_pieceOut = m_out.size();
      m_pieceCopied = m_copied;
      m_pieceCount = m_count;
    }
    if (!ProcessDirect(m_chunkStart, cut, std::span<const Occurrence>(m_kept.data(), k), m_pieces, true)) {
      m_keptAll = false;
      return;
    }
    m_pieces = true;
    m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<long>(k));
    m_chunkStart = cut;
  }

  void MarkRows(unsigned id, long after) {
    const auto& rows = L.m_needleRows[id];
    auto it = after < 0 ? rows.begin()
                        : std::upper_bound(rows.begin(), rows.end(), static_cast<std::uint32_t>(after));
    for (; it != rows.end(); ++it) m_rowSet.Add(*it);
  }

  // Leftmost occurrence at or after from that starts on a character boundary.
  std::size_t Find(std::string_view hay, std::string_view needle, std::size_t from) const {
    // Short chunks: a plain find and a local boundary test beat the general search.
    if (hay.size() > 1024) return FindOnBoundary(hay, needle, from, m_cp);
    while ((from = hay.find(needle, from)) != std::string_view::npos) {
      if (IsCharBoundary(hay, from, m_cp)) return from;
      ++from;
    }
    return from;
  }

  // Replace-all of one row from src into dst; 0 (dst untouched) when nothing matched.
  // Records where each replacement starts in dst.
  std::size_t ReplaceInto(std::string_view src, const ConvertItem& row, std::string& dst) {
    const std::string_view find = row.m_strFind, with = row.m_strReplaceWith;
    std::size_t pos = Find(src, find, 0);
    if (pos == std::string_view::npos) return 0;
    dst.clear();
    m_inserts.clear();
    std::size_t copied = 0, count = 0;
    while (pos != std::string_view::npos) {
      dst.append(src.substr(copied, pos - copied));
      m_inserts.push_back(dst.size());
      dst.append(with);
      copied = pos + find.size();
      ++count;
      pos = Find(src, find, copied);
    }
    dst.append(src.substr(copied));
    return count;
  }

  // ReplaceInto for the chunk as the scan saw it, from the occurrences kept
  // during the scan instead of a search.
  std::size_t ReplaceFromScan(std::string_view src, std::uint32_t rowIndex, std::string& dst) {
    const ConvertItem& row = L.m_rows[rowIndex];
    if (!m_keptAll) return ReplaceInto(src, row, dst);
    const std::string_view with = row.m_strReplaceWith;
    std::size_t copied = 0;
    bool first = true;
    const std::size_t count = ForEachKept(src, rowIndex, [&](std::size_t pos, std::size_t end) {
      if (first) {
        dst.clear();
        m_inserts.clear();
        first = false;
      }
      dst.append(src.substr(copied, pos - copied));
      m_inserts.push_back(dst.size());
      dst.append(with);
      copied = end;
    });
    if (count) dst.append(src.substr(copied));
    return count;
  }

  // Calls f(start, end) for each occurrence of the row's search string that
  // a replace-all of the chunk as the scan saw it would replace.
  template <class F>
  std::size_t ForEachKept(std::string_view src, std::uint32_t rowIndex, F&& f) const {
    const std::uint32_t needle = L.m_rowNeedle[rowIndex];
    const std::size_t len = L.m_rows[rowIndex].m_strFind.size();
    std::size_t after = 0, count = 0;
    for (const Occurrence& o : m_kept) {
      if (o.needle != needle) continue;
      const std::size_t pos = o.start - m_chunkStart;
      if (pos < after || (!m_onBoundaryOnly && !IsCharBoundary(src, pos, m_cp))) continue;
      after = pos + len;
      f(pos, after);
      ++count;
    }
    return count;
  }

  // A chunk where one row's needle alone occurs: its replacements go
  // straight to the output. Returns SIZE_MAX when that finishes the chunk,
  // 0 when the chunk needs the general way from its first row, and the next
  // row to look at when the replacements formed later rows: the chunk is then
  // back in m_work and m_rowSet holds the rows formed.
  std::size_t ProcessOnlyRow(std::string_view chunk) {
    if (!m_keptAll || m_chunkNeedle == kMixed || L.m_onlyRow[m_chunkNeedle] < 0) return 0;
    const auto row = static_cast<std::size_t>(L.m_onlyRow[m_chunkNeedle]);
    const std::span<const Created> created = L.CreatedBy(row, m_onBoundaryOnly);
    const std::size_t outChunk = m_out.size() + (m_chunkStart - m_copied);
    if (!created.empty()) m_inserts.clear();
    const std::size_t n =
        ForEachKept(chunk, static_cast<std::uint32_t>(row), [&](std::size_t pos, std::size_t end) {
          ReserveOutput();
          m_changed = true;
          CopyText(m_copied, m_chunkStart + pos);
          if (!created.empty()) m_inserts.push_back(m_out.size() - outChunk);
          AppendWith(row);
          m_copied = m_chunkStart + end;
        });
    m_count += n;
    if (n == 0 || created.empty()) return SIZE_MAX;
    CopyText(m_copied, m_chunkEnd);
    m_copied = m_chunkEnd;
    const std::string_view result = m_out.View().substr(outChunk);
    if (!MayFormAny(row, created, result)) return SIZE_MAX;
    m_rowSet.Clear();
    MarkCreated(row, created, result);
    m_work.assign(result);
    m_out.Truncate(outChunk);
    m_copied = m_chunkStart;
    return row + 1;
  }

  // A chunk (or a piece of one, see CutChunk) whose occurring rows all keep
  // boundaries and need no rescan. Each row replaces just the occurrences the
  // scan saw that are still there when its turn comes, those that no earlier
  // row's replacement covered, unless an insertion forms a later row's
  // search string; so occurrences that overlap no other one are replaced as
  // they are, and a group of overlapping ones is settled in list order.
  // The replacements go straight to the output; false (output untouched)
  // sends the chunk the general way. occ: the occurrences from `from` to
  // `to`; cutLeft/cutRight: that end of the piece is a cut, not a
  // separator, and a later row's string found across it counts as formed.
  bool ProcessDirect(std::size_t from, std::size_t to, std::span<const Occurrence> occ, bool cutLeft,
                     bool cutRight) {
    if (!m_keptAll) return false;
    const std::string_view chunk(m_text.data() + from, to - from);
    m_chosen.clear();
    std::size_t checks = 0;
    for (std::size_t k = 0; k < occ.size();) {
      // A group: occurrences that overlap, directly or through others.
      m_group.clear();
      std::size_t groupEnd = 0;
      bool oneNeedle = true;
      for (; k < occ.size(); ++k) {
        const std::size_t pos = occ[k].start - from;
        if (!m_group.empty() && pos >= groupEnd) break;
        if (!m_onBoundaryOnly && !IsCharBoundary(chunk, pos, m_cp)) continue;
        const std::uint32_t row = L.m_firstRow[occ[k].needle];
        if (!m_direct[row]) return false;
        const std::uint32_t size = L.m_needleSize[occ[k].needle];
        oneNeedle = oneNeedle && (m_group.empty() || row == m_group[0].row);
        m_group.push_back({pos, row, size, 0, 0});
        groupEnd = std::max(groupEnd, pos + size);
      }
      if (!oneNeedle) SettleInListOrder();
      // A replace-all takes the leftmost of overlapping occurrences of one string.
      std::size_t lastEnd = 0;
      for (const Chosen& c : m_group) {
        if (c.pos < lastEnd) continue;
        // A later row's string inside the replacement is there in the
        // result: the check below would send the chunk the general way
        // (in Shift-JIS nearly always; the exact test cost more than it saved).
        if (L.m_edges[c.row].inside) return false;
        m_chosen.push_back(c);
        checks += DirectCreatedBy(c.row).size();
        lastEnd = c.pos + c.size;
      }
    }
    // Nothing on a boundary: nothing changes.
    if (m_chosen.empty()) return true;
    // Past this many checks the general way costs less (it is as long as the chunk).
    if (checks > std::max(kMaxCreatedChecks, chunk.size())) return false;

    const std::size_t outBefore = m_out.size(), copiedBefore = m_copied;
    ReserveOutput();
    CopyText(m_copied, from);
    const std::size_t outChunk = m_out.size();
    std::size_t copied = 0;
    for (Chosen& c : m_chosen) {
      CopyText(from + copied, from + c.pos);
      c.out = m_out.size() - outChunk;
      AppendWith(c.row);
      c.outEnd = m_out.size() - outChunk;
      copied = c.pos + c.size;
    }
    CopyText(from + copied, to);
    m_copied = to;
    if (checks && FormsLaterRow(m_out.View().substr(outChunk), cutLeft, cutRight)) {
      m_out.Truncate(outBefore);
      m_copied = copiedBefore;
      return false;
    }
    m_count += m_chosen.size();
    m_changed = true;
    return true;
  }

  // m_group: occurrences that overlap, in start order, of several rows. Each
  // row in turn takes its occurrences that no row before it has taken
  // (leftmost first, resuming after each); the group keeps those taken, in
  // start order.
  void SettleInListOrder() {
    const std::size_t base = m_group.front().pos;
    std::size_t span = 0;
    for (const Chosen& c : m_group) span = std::max(span, c.pos + c.size - base);
    m_covered.assign(span, 0);
    SortSmall(m_group, [](const Chosen& a, const Chosen& b) { return a.row < b.row; });
    std::size_t kept = 0, lastEnd = 0;
    for (std::size_t k = 0; k < m_group.size(); ++k) {
      const Chosen c = m_group[k];
      if (k == 0 || c.row != m_group[k - 1].row) lastEnd = 0;
      const std::size_t at = c.pos - base;
      if (c.pos < lastEnd || std::find(m_covered.begin() + static_cast<long>(at),
                                       m_covered.begin() + static_cast<long>(at + c.size),
                                       1) != m_covered.begin() + static_cast<long>(at + c.size))
        continue;
      std::fill_n(m_covered.begin() + static_cast<long>(at), c.size, 1);
      lastEnd = c.pos + c.size;
      m_group[kept++] = c;
    }
    m_group.resize(kept);
    SortSmall(m_group, [](const Chosen& a, const Chosen& b) { return a.pos < b.pos; });
  }

  // A stable sort; groups are most often two or three occurrences, which an
  // insertion sort does without the buffer std::stable_sort allocates.
  template <class T, class Less>
  static void SortSmall(std::vector<T>& v, Less less) {
    if (v.size() > 16) {
      std::stable_sort(v.begin(), v.end(), less);
      return;
    }
    for (std::size_t i = 1; i < v.size(); ++i)
      for (std::size_t j = i; j > 0 && less(v[j], v[j - 1]); --j) std::swap(v[j], v[j - 1]);
  }

  // The entries ProcessDirect checks (and counts) for a row: in a direct
  // chunk Shift-JIS boundaries stay put, so inside entries cannot form.
  std::span<const Created> DirectCreatedBy(std::size_t row) const {
    return L.CreatedBy(row, m_cp == CodePage::Cp932);
  }

  // Whether an insertion of ProcessDirect's result may have formed a later
  // row's search string. Where such a string would lie, the result holds the
  // text that row would have seen when every other insertion it reaches was
  // made by an earlier row (not by itself: its own occurrences are still
  // there when it looks); boundaries outside the insertions are as they were
  // then too. Anything else counts as formed. A string across a separator
  // cannot be there; across a cut it might.
  bool FormsLaterRow(std::string_view result, bool cutLeft, bool cutRight) const {
    for (std::size_t k = 0; k < m_chosen.size(); ++k) {
      // The bytes next to the insertion, where no other one lies, are the
      // text's own at every row's turn: a string they turn down is never there.
      const bool alone = (k == 0 || m_chosen[k - 1].outEnd < m_chosen[k].out) &&
                         (k + 1 == m_chosen.size() || m_chosen[k + 1].out > m_chosen[k].outEnd);
      if (alone &&
          !EdgesMayForm(m_chosen[k].row, result, m_chosen[k].out, m_chosen[k].outEnd, cutLeft, cutRight))
        continue;
      // Those bytes also turn down entries one by one, where both are there.
      const bool keyed = alone && m_chosen[k].out > 0 && m_chosen[k].outEnd < result.size();
      const std::uint16_t after = keyed ? AfterKey(result, m_chosen[k].outEnd) : CompiledList::kKeyNone;
      const std::uint16_t before = keyed ? BeforeKey(result, m_chosen[k].out) : CompiledList::kKeyNone;
      const std::span<const Created> created = DirectCreatedBy(m_chosen[k].row);
      auto formed = [&](std::size_t j) {
        const Created& c = created[j];
        const long at = static_cast<long>(m_chosen[k].out) + c.offset;
        if (at < 0 || static_cast<std::size_t>(at) + c.size > result.size())
          return (at < 0 && cutLeft) || (static_cast<std::size_t>(at) + c.size > result.size() && cutRight);
        const auto from = static_cast<std::size_t>(at), to = from + c.size;
        for (std::size_t t = k; t-- > 0 && m_chosen[t].outEnd > from;)
          if (m_chosen[t].row >= c.row) return true;
        for (std::size_t t = k + 1; t < m_chosen.size() && m_chosen[t].out < to; ++t)
          if (m_chosen[t].row >= c.row) return true;
        return Same(result.data() + from, c.find, c.size) && IsCharBoundary(result, from, m_cp);
      };
      if (keyed) {
        if (ForFitting(m_chosen[k].row, created, after, before, formed)) return true;
      } else {
        for (std::size_t j = 0; j < created.size(); ++j)
          if (formed(j)) return true;
      }
    }
    return false;
  }

  // Whether a string of the row's entries may lie over its insertion
  // [out, end) in text, judged by the bytes next to it; false: none can. An
  // end of text that is a cut may be followed by anything.
  bool EdgesMayForm(std::size_t row, std::string_view text, std::size_t out, std::size_t end,
                    bool cutLeft = false, bool cutRight = false) const {
    return EdgesAllow(L.m_edges[row], text, out, end, cutLeft, cutRight);
  }
  static bool EdgesAllow(const CompiledList::Edges& e, std::string_view text, std::size_t out,
                         std::size_t end, bool cutLeft = false, bool cutRight = false) {
    return e.inside || (e.anyAfter && (end < text.size() ? e.Holds(e.after, text[end]) : cutRight)) ||
           (e.anyBefore && (out > 0 ? e.Holds(e.before, text[out - 1]) : cutLeft));
  }

  // The keys (CompiledList::m_createKey) of a row's entries.
  const std::uint16_t* KeysOf(std::span<const Created> created) const {
    return L.m_createKey.data() + (created.data() - L.m_create.data());
  }
  // The keys that the bytes next to an insertion ending at `end` / starting
  // at `s` hold; kKeyNone at an end of the text, where no string reaches.
  static std::uint16_t AfterKey(std::string_view text, std::size_t end) {
    return end < text.size() ? CompiledList::KeyAfter(text[end]) : CompiledList::kKeyNone;
  }
  static std::uint16_t BeforeKey(std::string_view text, std::size_t s) {
    return s > 0 ? CompiledList::KeyBefore(text[s - 1]) : CompiledList::kKeyNone;
  }
  // Whether the entry's string is in text over the insertion at s.
  static bool AtInsertion(const Created& c, std::string_view text, std::size_t s) {
    const long at = static_cast<long>(s) + c.offset;
    return at >= 0 && static_cast<std::size_t>(at) + c.size <= text.size() &&
           Same(text.data() + at, c.find, c.size);
  }

  // memcmp(a, b, n) == 0 for the short strings of most entries, without a call.
  static bool Same(const char* a, const char* b, std::size_t n) {
    if (n > 8) return std::memcmp(a, b, n) == 0;
    for (std::size_t k = 0; k < n; ++k)
      if (a[k] != b[k]) return false;
    return true;
  }

  // Calls f(j) for each entry j of the row's `created` that lies inside the
  // insertion or whose key is `after` or `before`, until f returns true;
  // returns whether one did.
  // Entries are sorted by key in each part of a row's range (inside ones,
  // key 0, first), so the fitting ones are looked up.
  template <class F>
  bool ForFitting(std::size_t row, std::span<const Created> created, std::uint16_t after,
                  std::uint16_t before, F&& f) const {
    const std::uint16_t* keys = KeysOf(created);
    const std::size_t n = created.size();
    const std::size_t split = std::min<std::size_t>(L.m_createInside[row] - L.m_createFrom[row], n);
    for (const auto& [a, b] : {std::pair{std::size_t{0}, split}, std::pair{split, n}}) {
      const std::uint16_t* p = keys + a;
      const std::uint16_t* const end = keys + b;
      for (; p < end && *p == CompiledList::kKeyInside; ++p)
        if (f(static_cast<std::size_t>(p - keys))) return true;
      for (const std::uint16_t key : {after, before}) {
        if (key == CompiledList::kKeyNone) continue;
        for (const std::uint16_t* q = std::lower_bound(p, end, key); q < end && *q == key; ++q)
          if (f(static_cast<std::size_t>(q - keys))) return true;
      }
    }
    return false;
  }

  // Calls f(entry) for each of the row's entries whose string the last
  // change's insertions (m_inserts) formed in text, until f returns true;
  // returns whether one did.
  template <class F>
  bool ForEachFormed(std::size_t row, std::span<const Created> created, std::string_view text, F&& f) const {
    const std::size_t size = L.m_with[row].size();
    for (const std::size_t s : m_inserts) {
      if (!EdgesMayForm(row, text, s, s + size)) continue;
      if (ForFitting(row, created, AfterKey(text, s + size), BeforeKey(text, s),
                     [&](std::size_t j) { return AtInsertion(created[j], text, s) && f(created[j]); }))
        return true;
    }
    return false;
  }

  // Whether MarkCreated would mark any row (most often none is there).
  bool MayFormAny(std::size_t row, std::span<const Created> created, std::string_view text) const {
    if (created.size() * m_inserts.size() > kMaxCreatedChecks) return true;
    return ForEachFormed(row, created, text, [](const Created&) { return true; });
  }

  // Later rows that the insertions of the last change (by `row`) formed in text.
  void MarkCreated(std::size_t row, std::span<const Created> created, std::string_view text) {
    if (created.size() * m_inserts.size() > kMaxCreatedChecks) {
      for (const Created& c : created) m_rowSet.Add(c.row);
      return;
    }
    ForEachFormed(row, created, text, [&](const Created& c) {
      m_rowSet.Add(c.row);
      return false;
    });
  }

  void ProcessChunk() {
    if (!m_memoPut) return WorkOutChunk();
    m_memoPut = false;
    const std::size_t countBefore = m_count, outChunk = m_out.size() + (m_chunkStart - m_copied);
    WorkOutChunk();
    Remember(countBefore, outChunk);
  }

  void WorkOutChunk() {
    m_inChunk = false;
    m_prevEnd = m_chunkEnd;
    if (m_pieces) {
      m_pieces = false;
      if (ProcessDirect(m_chunkStart, m_chunkEnd, m_kept, true, false)) return;
      // The whole chunk goes the general way, searching it for each row.
      m_out.Truncate(m_pieceOut);
      m_copied = m_pieceCopied;
      m_count = m_pieceCount;
      m_chunkStart = m_pieceStart;
      m_keptAll = false;
    }
    // The chunk is read from the text until a row changes it, then the two
    // work buffers take turns.
    std::string_view cur(m_text.data() + m_chunkStart, m_chunkEnd - m_chunkStart);
    std::string* curBuf = nullptr;
    std::size_t from = 0;
    if (const std::size_t next = ProcessOnlyRow(cur)) {
      if (next == SIZE_MAX) return;
      curBuf = &m_work;
      cur = m_work;
      from = next;
    } else if (ProcessDirect(m_chunkStart, m_chunkEnd, m_kept, false, false)) {
      return;
    } else if (m_chunkNeedle != kMixed) {
      StartRowSet();
    }
    for (std::size_t i = m_rowSet.Next(from); i != SIZE_MAX; i = m_rowSet.Next(i + 1)) {
      std::string& dst = curBuf == &m_work ? m_tmp : m_work;
      const std::size_t n = curBuf ? ReplaceInto(cur, L.m_rows[i], dst)
                                   : ReplaceFromScan(cur, static_cast<std::uint32_t>(i), dst);
      if (n == 0) continue;
      curBuf = &dst;
      cur = dst;
      m_count += n;
      if (L.m_rescan[i]) {
        m_rescanAfter = static_cast<long>(i);
        m_scanner.Scan(
            cur,
            [this](std::uint32_t id, std::size_t) {
              MarkRows(id, m_rescanAfter);
              return true;
            },
            m_onBoundaryOnly);
      } else {
        MarkCreated(i, L.CreatedBy(i, m_onBoundaryOnly), cur);
      }
    }
    if (!curBuf) return;
    ReserveOutput();
    CopyText(m_copied, m_chunkStart);
    m_out.Append(cur);
    m_copied = m_chunkEnd;
    m_changed = true;
  }

  const CompiledList& L;
  const LiteralScanner& m_scanner;
  const std::string& m_text;
  CodePage m_cp;
  const SeparatorSet& m_sep;
  const std::vector<std::uint8_t>& m_maybeInside;
  // The scan reports only occurrences on character boundaries.
  const bool m_onBoundaryOnly;
  const std::vector<std::uint8_t>& m_direct;
  const std::vector<CompiledList::AloneNeedle>& m_alone;
  RowSet m_rowSet;
  OutputBuffer m_out;
  std::string m_work, m_tmp;
  std::vector<std::size_t> m_inserts;
  struct Chosen {
    std::size_t pos;  // in the chunk
    std::uint32_t row, size;
    std::size_t out, outEnd;  // the insertion, in the chunk's result
  };
  std::vector<Chosen> m_chosen, m_group;
  std::vector<std::uint8_t> m_covered;
  std::vector<Occurrence> m_kept;  // the current chunk's occurrences, in start order
  std::vector<std::size_t> m_ends;
  // Pieces of the chunk done (CutChunk), and how to take them back: where
  // the chunk started, the output, what was copied and counted before them.
  bool m_pieces = false;
  std::size_t m_pieceStart = 0, m_pieceOut = 0, m_pieceCopied = 0, m_pieceCount = 0;
  bool m_keptAll = true;
  std::size_t m_copied = 0, m_prevEnd = 0, m_lastStart = 0;
  std::size_t m_chunkStart = 0, m_chunkEnd = 0;
  long m_rescanAfter = -1;
  // The needle of every occurrence in the chunk so far, or kMixed once
  // there are two; only then does m_rowSet hold the chunk's rows.
  static constexpr unsigned kMixed = UINT_MAX;
  unsigned m_chunkNeedle = kMixed;
  std::size_t m_count = 0;
  bool m_inChunk = false, m_changed = false, m_failed = false;
  // The occurrences since the last chunk ended, none of which opened one. One
  // that needs its chunk takes those in the chunk into it.
  std::vector<Logged> m_log;
  std::size_t m_aloneEnd = 0;  // end of the last one replaced on its own
  unsigned m_aloneNeedle = 0;
  bool m_aloneEdged = false;  // and its row has entries at its edges
  std::uint32_t m_aloneRow = 0;
  // A replacement taken back costs about twice what one kept saves.
  static constexpr std::size_t kAloneTrial = 256;
  bool m_aloneOn = true;
  std::size_t m_aloneReplaced = 0, m_aloneUndone = 0;
  ChunkMemo& m_memo;
  std::size_t m_skipEnd = 0;
  bool m_memoPut = false;  // the chunk in work goes into the memo
  // A short chunk opened and not yet looked up (OpenChunk), and the occurrence that opened it.
  bool m_pending = false;
  ChunkMemo::Lookup m_lookup{};
  unsigned m_pendingNeedle = 0;
  std::size_t m_pendingStart = 0;
  // A result from the memo not yet in the output (FromMemo).
  const char* m_heldFrom = nullptr;
  std::size_t m_heldAt = 0, m_heldSize = 0;
};

}  // namespace

namespace {

// A few recent lists: a run asks for the same list for every file, and
// parallel workers share it. An entry keeps the rows it was last asked with
// alive, so a pointer seen again is the same rows, never new ones at a
// reused address.
struct CompiledEntry {
  SharedRows key;
  std::shared_ptr<const CompiledList> compiled;
};

std::shared_ptr<const CompiledList> CachedCompile(const ConvertRows& rows, const SharedRows& key) {
  static std::mutex mutex;
  static std::vector<CompiledEntry> cache;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (key)
      for (const CompiledEntry& e : cache)
        if (e.key == key) return e.compiled;
    for (CompiledEntry& e : cache) {
      if (e.compiled->m_rows != rows) continue;
      if (key) e.key = key;
      return e.compiled;
    }
  }
  auto compiled = std::make_shared<const CompiledList>(rows);
  std::lock_guard<std::mutex> lock(mutex);
  cache.insert(cache.begin(), CompiledEntry{key, compiled});
  // A run over texts of several encodings uses a row set for each.
  if (cache.size() > 8) cache.pop_back();
  return compiled;
}

}  // namespace

std::shared_ptr<const CompiledList> CompileList(const ConvertRows& rows) {
  return CachedCompile(rows, nullptr);
}

std::shared_ptr<const CompiledList> CompileList(const SharedRows& rows) {
  static const ConvertRows kNone;
  return CachedCompile(rows ? *rows : kNone, rows);
}

bool ApplyCompiledList(const CompiledList& list, std::string& text, CodePage cp, std::size_t& count) {
  count = 0;
  if (!list.m_ok) return false;
  if (!list.m_scanner || text.empty()) return true;
  Applier applier(list, text, cp);
  if (!applier.Run()) return false;
  count = applier.Count();
  if (applier.Changed()) text = applier.TakeResult();
  return true;
}

bool ListIgnoresLineEnds(const CompiledList& list) { return list.m_ignoresLineEnds; }

bool ListKeepsCp932Boundaries(const CompiledList& list) { return list.m_keepsCp932Boundaries; }

bool IsChunkSeparator(const CompiledList& list, unsigned char c, CodePage cp) {
  return list.m_sep[cp == CodePage::Utf8 ? 1 : 0].Has(c);
}

bool RowsOccurring(const CompiledList& list, std::string_view text, long after,
                   std::vector<std::uint32_t>& rows) {
  rows.clear();
  if (!list.m_ok) return false;
  if (!list.m_scanner || text.empty()) return true;
  list.m_scanner->Scan(text, [&](std::uint32_t id, std::size_t) {
    for (std::uint32_t r : list.m_needleRows[id])
      if (static_cast<long>(r) > after) rows.push_back(r);
    return true;
  });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return true;
}

}  // namespace zv
