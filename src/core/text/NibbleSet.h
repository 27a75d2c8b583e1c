#pragma once
// Byte sets tested 32 bytes at a time (x86 with AVX2 only; callers check the
// CPU). A set is kept as nibble tables: [0] for bytes below 0x80, [1] for the
// rest; entry lo (in both 128-bit lanes) has bit h when the byte with high
// nibble h (or h + 8) and low nibble lo is a member.

#include <array>
#include <cstdint>

namespace zv {

using NibbleSet = std::array<std::array<std::uint8_t, 32>, 2>;

inline void AddToNibbleSet(NibbleSet& set, unsigned char byte) {
  for (int lane = 0; lane < 2; ++lane)
    set[byte >> 7][static_cast<std::size_t>(lane * 16 + (byte & 15))] |=
        static_cast<std::uint8_t>(1u << ((byte >> 4) & 7));
}

}  // namespace zv

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZV_HAVE_NIBBLE_SETS 1

namespace zv {

// The nibbles of 32 bytes, worked out once for every set they are tested against.
struct Nibbles {
  __m256i bytes, low, bit;
};

__attribute__((target("avx2"))) inline Nibbles NibblesOf(const unsigned char* p) {
  Nibbles n;
  n.bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  n.low = _mm256_and_si256(n.bytes, _mm256_set1_epi8(15));
  const __m256i high = _mm256_and_si256(_mm256_srli_epi16(n.bytes, 4), _mm256_set1_epi8(15));
  n.bit = _mm256_shuffle_epi8(_mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128,  //
                                               1, 2, 4, 8, 16, 32, 64, -128, 1, 2, 4, 8, 16, 32, 64, -128),
                              high);
  return n;
}

// Lanes whose byte is not in the set (0xFF) or is (0).
__attribute__((target("avx2"))) inline __m256i NotInSet(const NibbleSet& set, const Nibbles& n) {
  const __m256i rowLow = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(set[0].data())), n.low);
  const __m256i rowHigh =
      _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(set[1].data())), n.low);
  const __m256i row = _mm256_blendv_epi8(rowLow, rowHigh, n.bytes);
  return _mm256_cmpeq_epi8(_mm256_and_si256(row, n.bit), _mm256_setzero_si256());
}

}  // namespace zv

#endif
