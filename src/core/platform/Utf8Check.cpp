#include "platform/Utf8Check.h"

#include <cstring>

#include "platform/Cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zv {

std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = at(pos);
  if (c < 0x80) return 1;
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the first continuation
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() - pos <= need) return 0;
  if (at(pos + 1) < lo || at(pos + 1) > hi) return 0;
  for (std::size_t k = 2; k <= need; ++k) {
    if ((at(pos + k) & 0xC0) != 0x80) return 0;
  }
  return need + 1;
}

namespace {

bool IsStrictUtf8Scalar(const unsigned char* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    // Runs of ASCII eight bytes at a time.
    while (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, s + i, 8);
      if (w & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    const unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8SequenceLength(std::string_view(reinterpret_cast<const char*>(s), n), i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

#if defined(__x86_64__) || defined(__i386__)

// 32 bytes at a time with three table lookups per byte pair: the first
// byte's high and low nibble and the second byte's high nibble each name the
// errors their pair could be; an error is a bit all three name. The method
// of Keiser and Lemire ("Validating UTF-8 in less than one instruction per
// byte", 2021), as simdjson has it.
constexpr std::uint8_t kTooShort = 1 << 0;   // lead, then no continuation
constexpr std::uint8_t kTooLong = 1 << 1;    // ASCII, then a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2;  // E0 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;   // F4 90.., F5.. and beyond
constexpr std::uint8_t kSurrogate = 1 << 4;  // ED A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5;  // C0, C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;
constexpr std::uint8_t kOverlong4 = 1 << 6;  // F0 80..8F
constexpr std::uint8_t kTwoConts = 1 << 7;   // continuation after continuation (judged by the length rule)
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

__attribute__((target("avx2"))) inline __m256i Table(const std::uint8_t (&t)[16]) {
  const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  return _mm256_broadcastsi128_si256(half);
}

// The input shifted right by n bytes, the previous block's last bytes coming in.
template <int n>
__attribute__((target("avx2"))) inline __m256i Prev(__m256i in, __m256i prev) {
  return _mm256_alignr_epi8(in, _mm256_permute2x128_si256(prev, in, 0x21), 16 - n);
}

__attribute__((target("avx2"))) inline __m256i High(__m256i v) {
  return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F));
}

struct Utf8Tables {
  __m256i byte1High, byte1Low, byte2High, maxLast;
};

struct Utf8State {
  __m256i error, prev, prevIncomplete;
};

__attribute__((target("avx2"))) void CheckBlock(const Utf8Tables& t, Utf8State& st, __m256i in) {
  if (_mm256_movemask_epi8(in) == 0) {
    st.error = _mm256_or_si256(st.error, st.prevIncomplete);
    st.prevIncomplete = _mm256_setzero_si256();
    st.prev = in;
    return;
  }
  const __m256i prev1 = Prev<1>(in, st.prev);
  const __m256i special = _mm256_and_si256(
      _mm256_and_si256(_mm256_shuffle_epi8(t.byte1High, High(prev1)),
                       _mm256_shuffle_epi8(t.byte1Low, _mm256_and_si256(prev1, _mm256_set1_epi8(0x0F)))),
      _mm256_shuffle_epi8(t.byte2High, High(in)));
  // Third and fourth bytes of a sequence must be continuations, and only they may follow one.
  const __m256i third =
      _mm256_subs_epu8(Prev<2>(in, st.prev), _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
  const __m256i fourth =
      _mm256_subs_epu8(Prev<3>(in, st.prev), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
  const __m256i must23 =
      _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
  st.error = _mm256_or_si256(st.error, _mm256_xor_si256(must23, special));
  st.prevIncomplete = _mm256_subs_epu8(in, t.maxLast);
  st.prev = in;
}

__attribute__((target("avx2"))) bool IsStrictUtf8Avx2(const unsigned char* s, std::size_t n) {
  static constexpr std::uint8_t kByte1High[16] = {kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTooLong,
                                                  kTwoConts,
                                                  kTwoConts,
                                                  kTwoConts,
                                                  kTwoConts,
                                                  kTooShort | kOverlong2,
                                                  kTooShort,
                                                  kTooShort | kOverlong3 | kSurrogate,
                                                  kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
  constexpr std::uint8_t kLarge = kCarry | kTooLarge | kTooLarge1000;
  static constexpr std::uint8_t kByte1Low[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                                 kCarry | kOverlong2,
                                                 kCarry,
                                                 kCarry,
                                                 kCarry | kTooLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge,
                                                 kLarge | kSurrogate,
                                                 kLarge,
                                                 kLarge};
  constexpr std::uint8_t kCont = kTooLong | kOverlong2 | kTwoConts;
  static constexpr std::uint8_t kByte2High[16] = {kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kCont | kOverlong3 | kTooLarge1000 | kOverlong4,
                                                  kCont | kOverlong3 | kTooLarge,
                                                  kCont | kSurrogate | kTooLarge,
                                                  kCont | kSurrogate | kTooLarge,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort,
                                                  kTooShort};
  // A block may end in a lead byte only if the next block continues it.
  alignas(32) static constexpr std::uint8_t kMaxLast[32] = {
      255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,  255,  255,
      255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0xEF, 0xDF, 0xBF};
  const Utf8Tables t{Table(kByte1High), Table(kByte1Low), Table(kByte2High),
                     _mm256_load_si256(reinterpret_cast<const __m256i*>(kMaxLast))};
  Utf8State st{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    CheckBlock(t, st, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
    // Give up early: most texts that are not UTF-8 show it in their first bytes.
    if ((i & 4095) == 0 && !_mm256_testz_si256(st.error, st.error)) return false;
  }
  // The rest, padded with NUL bytes (ASCII), which also ends every sequence.
  alignas(32) unsigned char tail[32] = {};
  std::memcpy(tail, s + i, n - i);
  CheckBlock(t, st, _mm256_load_si256(reinterpret_cast<const __m256i*>(tail)));
  st.error = _mm256_or_si256(st.error, st.prevIncomplete);
  return _mm256_testz_si256(st.error, st.error);
}

#endif

}  // namespace

bool IsStrictUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
#if defined(__x86_64__) || defined(__i386__)
  if (CpuHasAvx2() && s.size() >= 64) return IsStrictUtf8Avx2(p, s.size());
#endif
  return IsStrictUtf8Scalar(p, s.size());
}

bool IsStrictUtf8Portable(std::string_view s) {
  return IsStrictUtf8Scalar(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

}  // namespace zv
