#include "text/LiteralScanner.h"

#include <algorithm>
#include <atomic>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZV_SCANNER_AVX2 1
#endif

namespace zv {

namespace {

std::atomic<bool> g_forcePortable{false};

bool UseAvx2() {
#ifdef ZV_SCANNER_AVX2
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported && !g_forcePortable.load(std::memory_order_relaxed);
#else
  return false;
#endif
}

inline std::uint64_t Bit(const std::uint64_t* bits, unsigned k) { return (bits[k >> 6] >> (k & 63)) & 1; }

}  // namespace

void LiteralScanner::ForcePortableFilter(bool portable) { g_forcePortable.store(portable); }

LiteralScanner::LiteralScanner(const std::vector<std::string>& needles) : m_needles(needles) {
  std::vector<std::pair<unsigned, std::uint32_t>> two, three, longer;
  m_pairBits.assign(kBuckets / 64, 0);
  auto markPair = [this](unsigned k) { m_pairBits[k >> 6] |= std::uint64_t{1} << (k & 63); };
  for (std::uint32_t id = 0; id < needles.size(); ++id) {
    const std::string& s = needles[id];
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    if (s.size() == 1)
      for (unsigned next = 0; next < 256; ++next) markPair(p[0] | (next << 8));
    else if (s.size() == 2)
      markPair(p[0] | (unsigned{p[1]} << 8));
    switch (s.size()) {
      case 0:
        break;
      case 1:
        m_one[p[0]] = id + 1;
        m_hasOne = true;
        break;
      case 2:
        two.emplace_back((unsigned{p[0]} << 8) | p[1], id);
        break;
      case 3:
        three.emplace_back(Hash3(p), id);
        break;
      default:
        longer.emplace_back(Hash4(p), id);
        break;
    }
  }
  m_hasTwo = !two.empty();
  m_hasThree = !three.empty();
  m_hasLong = !longer.empty();
  if (m_hasTwo) Build(m_twoBits, m_twoStart, m_twoIds, two);
  if (m_hasThree) Build(m_threeBits, m_threeStart, m_threeIds, three);
  if (m_hasLong) Build(m_longBits, m_longStart, m_longIds, longer);
}

void LiteralScanner::Build(std::vector<std::uint64_t>& bits, std::vector<std::uint32_t>& start,
                           std::vector<std::uint32_t>& ids,
                           const std::vector<std::pair<unsigned, std::uint32_t>>& keyed) {
  bits.assign(kBuckets / 64, 0);
  start.assign(kBuckets + 1, 0);
  for (const auto& [k, id] : keyed) {
    bits[k >> 6] |= std::uint64_t{1} << (k & 63);
    ++start[k + 1];
  }
  for (unsigned k = 0; k < kBuckets; ++k) start[k + 1] += start[k];
  ids.assign(keyed.size(), 0);
  std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
  for (const auto& [k, id] : keyed) ids[fill[k]++] = id;
}

void LiteralScanner::Filter(const unsigned char* p, std::size_t blocks, std::uint64_t* masks) const {
  if (UseAvx2())
    FilterAvx2(p, blocks, masks);
  else
    FilterPortable(p, blocks, masks);
}

namespace {

// Positions of a block of 64 without branches, one version per mix of
// needle lengths so that absent tables cost nothing.
template <bool Three, bool Long>
void FilterBlocks(const unsigned char* p, std::size_t blocks, std::uint64_t* masks, const std::uint64_t* pair,
                  const std::uint64_t* three, const std::uint64_t* longer, std::uint32_t mul) {
  for (std::size_t b = 0; b < blocks; ++b, p += 64) {
    std::uint64_t mask = 0;
    for (unsigned j = 0; j < 64; ++j) {
      const unsigned char* q = p + j;
      const std::uint32_t v = std::uint32_t{q[0]} | (std::uint32_t{q[1]} << 8) | (std::uint32_t{q[2]} << 16) |
                              (std::uint32_t{q[3]} << 24);
      std::uint64_t hit = Bit(pair, v & 0xFFFF);
      if constexpr (Three) hit |= Bit(three, ((v & 0xFFFFFF) * mul) >> 16);
      if constexpr (Long) hit |= Bit(longer, (v * mul) >> 16);
      mask |= hit << j;
    }
    masks[b] = mask;
  }
}

}  // namespace

void LiteralScanner::FilterPortable(const unsigned char* p, std::size_t blocks, std::uint64_t* masks) const {
  const std::uint64_t* pair = m_pairBits.data();
  const std::uint64_t* three = m_threeBits.data();
  const std::uint64_t* longer = m_longBits.data();
  if (m_hasThree && m_hasLong)
    FilterBlocks<true, true>(p, blocks, masks, pair, three, longer, kMul);
  else if (m_hasThree)
    FilterBlocks<true, false>(p, blocks, masks, pair, three, longer, kMul);
  else if (m_hasLong)
    FilterBlocks<false, true>(p, blocks, masks, pair, three, longer, kMul);
  else
    FilterBlocks<false, false>(p, blocks, masks, pair, three, longer, kMul);
}

#ifdef ZV_SCANNER_AVX2

namespace {

// One table lookup for eight keys: the bit `key` of `bits`, in bit 0 of each lane.
__attribute__((target("avx2"))) inline __m256i Lookup(const std::uint64_t* bits, __m256i key) {
  const __m256i word = _mm256_i32gather_epi32(reinterpret_cast<const int*>(bits), _mm256_srli_epi32(key, 5), 4);
  return _mm256_srlv_epi32(word, _mm256_and_si256(key, _mm256_set1_epi32(31)));
}

template <bool Three, bool Long>
__attribute__((target("avx2"))) void FilterBlocksAvx2(const unsigned char* p, std::size_t blocks, std::uint64_t* masks,
                                                      const std::uint64_t* pair, const std::uint64_t* three,
                                                      const std::uint64_t* longer, std::uint32_t mul) {
  // Lane k of the shuffle holds the four bytes from position k on.
  const __m256i windows = _mm256_setr_epi8(0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3, 4, 5, 6,  //
                                           4, 5, 6, 7, 5, 6, 7, 8, 6, 7, 8, 9, 7, 8, 9, 10);
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const __m256i low24 = _mm256_set1_epi32(0xFFFFFF);
  const __m256i k = _mm256_set1_epi32(static_cast<int>(mul));
  for (std::size_t b = 0; b < blocks; ++b, p += 64) {
    std::uint64_t mask = 0;
    for (unsigned j = 0; j < 64; j += 8) {
      const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
      const __m256i v = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(raw), windows);
      __m256i hit = Lookup(pair, _mm256_and_si256(v, low16));
      if constexpr (Three)
        hit = _mm256_or_si256(hit, Lookup(three, _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_and_si256(v, low24), k), 16)));
      if constexpr (Long) hit = _mm256_or_si256(hit, Lookup(longer, _mm256_srli_epi32(_mm256_mullo_epi32(v, k), 16)));
      const int bits = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_slli_epi32(hit, 31)));
      mask |= static_cast<std::uint64_t>(static_cast<unsigned>(bits)) << j;
    }
    masks[b] = mask;
  }
}

}  // namespace

void LiteralScanner::FilterAvx2(const unsigned char* p, std::size_t blocks, std::uint64_t* masks) const {
  const std::uint64_t* pair = m_pairBits.data();
  const std::uint64_t* three = m_threeBits.data();
  const std::uint64_t* longer = m_longBits.data();
  if (m_hasThree && m_hasLong)
    FilterBlocksAvx2<true, true>(p, blocks, masks, pair, three, longer, kMul);
  else if (m_hasThree)
    FilterBlocksAvx2<true, false>(p, blocks, masks, pair, three, longer, kMul);
  else if (m_hasLong)
    FilterBlocksAvx2<false, true>(p, blocks, masks, pair, three, longer, kMul);
  else
    FilterBlocksAvx2<false, false>(p, blocks, masks, pair, three, longer, kMul);
}

#else

void LiteralScanner::FilterAvx2(const unsigned char* p, std::size_t blocks, std::uint64_t* masks) const {
  FilterPortable(p, blocks, masks);
}

#endif

}  // namespace zv
