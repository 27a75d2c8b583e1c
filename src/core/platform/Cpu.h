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

// x86 with BMI1 and BMI2 (every CPU with AVX2 in practice, but asked anyway).
inline bool CpuHasBmi2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
  return has;
#else
  return false;
#endif
}

}  // namespace zv
