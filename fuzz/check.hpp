// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A failed property of a harness: say which and stop, so the fuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#define QV_FUZZ_CHECK(condition, message)                                                      \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "property failed at %s:%d: %s (%s)\n", __FILE__, __LINE__, message, \
                   #condition);                                                                \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)
