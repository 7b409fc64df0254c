// Marks a stretch of code as compiled for AVX2, for GCC and clang alike; the code in
// it runs only after the processor was found to have AVX2.
#pragma once

#if defined(__clang__)
#define GVS_AVX2_REGION_BEGIN \
  _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define GVS_AVX2_REGION_END _Pragma("clang attribute pop")
#else
#define GVS_AVX2_REGION_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define GVS_AVX2_REGION_END _Pragma("GCC pop_options")
#endif
