#include "platform/LineEnds.h"

#include <cstdint>
#include <cstring>

#include "platform/Cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZV_LINE_ENDS_AVX2 1
#endif

namespace zv {

namespace {

std::size_t CrLfToLfPortable(char* p, std::size_t i, std::size_t o, std::size_t n) {
  while (i < n) {
    const void* cr = std::memchr(p + i, '\r', n - i);
    const std::size_t c = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : n;
    if (o != i) std::memmove(p + o, p + i, c - i);
    o += c - i;
    i = c;
    if (i == n) break;
    // The CR goes when an LF follows it; the LF is then copied with the next run.
    if (i + 1 < n && p[i + 1] == '\n') {
      ++i;
    } else {
      p[o++] = '\r';
      ++i;
    }
  }
  return o;
}

bool EveryLfAfterCrPortable(const char* p, std::size_t i, std::size_t n) {
  while (const void* lf = std::memchr(p + i, '\n', n - i)) {
    const auto l = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
    if (l == 0 || p[l - 1] != '\r') return false;
    i = l + 1;
  }
  return true;
}

std::size_t LfToCrLfPortable(const char* p, std::size_t i, std::size_t n, char* out, std::size_t o) {
  while (i < n) {
    const void* lf = std::memchr(p + i, '\n', n - i);
    const std::size_t l = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : n;
    std::memcpy(out + o, p + i, l - i);
    o += l - i;
    i = l;
    if (i == n) break;
    out[o++] = '\r';
    out[o++] = '\n';
    ++i;
  }
  return o;
}

#ifdef ZV_LINE_ENDS_AVX2

// Blocks without a CR LF move whole; a block with one goes through a copy,
// so the stores never reach bytes not yet read.
__attribute__((target("avx2"))) std::size_t CrLfToLfAvx2(char* p, std::size_t n) {
  const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
  std::size_t i = 0, o = 0;
  for (; i + 33 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
    // A CR with an LF right after it, whichever block the LF is in.
    auto drop = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(next, lf))));
    if (!drop) {
      if (o != i) _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + o), v);
      o += 32;
      continue;
    }
    alignas(32) char block[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(block), v);
    std::size_t from = 0;
    while (drop) {
      const auto j = static_cast<std::size_t>(__builtin_ctz(drop));
      drop &= drop - 1;
      std::memcpy(p + o, block + from, j - from);
      o += j - from;
      from = j + 1;
    }
    std::memcpy(p + o, block + from, 32 - from);
    o += 32 - from;
  }
  return CrLfToLfPortable(p, i, o, n);
}

__attribute__((target("avx2"))) bool EveryLfAfterCrAvx2(const char* p, std::size_t n) {
  if (n == 0) return true;
  if (p[0] == '\n') return false;
  const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n');
  // Positions i + 1 .. i + 32 against the bytes before them.
  std::size_t i = 0;
  for (; i + 33 <= n; i += 32) {
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
    const __m256i lone = _mm256_andnot_si256(_mm256_cmpeq_epi8(before, cr), _mm256_cmpeq_epi8(at, lf));
    if (!_mm256_testz_si256(lone, lone)) return false;
  }
  return EveryLfAfterCrPortable(p, i + 1, n);
}

__attribute__((target("avx2"))) std::size_t CountLfAvx2(const char* p, std::size_t n) {
  const __m256i lf = _mm256_set1_epi8('\n');
  std::size_t i = 0, count = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    count += static_cast<std::size_t>(
        __builtin_popcount(static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, lf)))));
  }
  for (; i < n; ++i) count += p[i] == '\n';
  return count;
}

// Each block is stored whole; at an LF the CR LF pair is written over what
// followed it and the walk goes on after the LF. A store never ends past the
// final length: the output runs ahead of the input by the LFs already met.
__attribute__((target("avx2"))) std::size_t LfToCrLfAvx2(const char* p, std::size_t n, char* out) {
  const __m256i lf = _mm256_set1_epi8('\n');
  std::size_t i = 0, o = 0;
  while (i + 32 <= n) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const auto m = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, lf)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + o), v);
    if (!m) {
      i += 32;
      o += 32;
      continue;
    }
    const auto j = static_cast<std::size_t>(__builtin_ctz(m));
    out[o + j] = '\r';
    out[o + j + 1] = '\n';
    o += j + 2;
    i += j + 1;
  }
  return LfToCrLfPortable(p, i, n, out, o);
}

#endif

}  // namespace

std::size_t CrLfToLfInPlace(char* p, std::size_t n) {
#ifdef ZV_LINE_ENDS_AVX2
  if (CpuHasAvx2()) return CrLfToLfAvx2(p, n);
#endif
  return CrLfToLfPortable(p, 0, 0, n);
}

bool EveryLfAfterCr(std::string_view text) {
#ifdef ZV_LINE_ENDS_AVX2
  if (CpuHasAvx2()) return EveryLfAfterCrAvx2(text.data(), text.size());
#endif
  return EveryLfAfterCrPortable(text.data(), 0, text.size());
}

std::size_t CountLf(std::string_view text) {
#ifdef ZV_LINE_ENDS_AVX2
  if (CpuHasAvx2()) return CountLfAvx2(text.data(), text.size());
#endif
  std::size_t count = 0;
  for (char c : text) count += c == '\n';
  return count;
}

std::size_t LfToCrLf(std::string_view text, char* out) {
#ifdef ZV_LINE_ENDS_AVX2
  if (CpuHasAvx2()) return LfToCrLfAvx2(text.data(), text.size(), out);
#endif
  return LfToCrLfPortable(text.data(), 0, text.size(), out, 0);
}

}  // namespace zv
