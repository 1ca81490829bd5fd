// SPDX-License-Identifier: MIT
#pragma once

// The encoder's inner loops are written plainly and left to the compiler to vectorize: once for
// any x86-64 and once for AVX2, picked at run time. (Function multi-versioning attributes stop
// GCC 12 from vectorizing at all, so the two copies are made by inlining one body into each.)
#if defined(__x86_64__) && defined(__GNUC__)
#define KVQ_VECTOR_BODY __attribute__((always_inline)) inline
#define KVQ_AVX2 __attribute__((target("avx2")))
#define KVQ_AVX2_FMA __attribute__((target("avx2,fma")))
inline bool hasAvx2() { return __builtin_cpu_supports("avx2"); }
inline bool hasAvx2Fma() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }
#else
#define KVQ_VECTOR_BODY inline
#define KVQ_AVX2
#define KVQ_AVX2_FMA
inline bool hasAvx2() { return false; }
inline bool hasAvx2Fma() { return false; }
#endif
