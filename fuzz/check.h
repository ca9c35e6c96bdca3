// A property check that stops the fuzzer with the line that failed.
#pragma once

#include <cstdio>
#include <cstdlib>

#define Check(ok)                                                           \
  do {                                                                      \
    if (!(ok)) {                                                            \
      std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #ok); \
      std::abort();                                                         \
    }                                                                       \
  } while (0)
