#pragma once
// What the CPU offers beyond the build's baseline, asked once.

namespace zv {

// x86 with AVX2; false elsewhere. Code built for AVX2 (target attributes)
// runs only where this holds.
inline bool CpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

}  // namespace zv
