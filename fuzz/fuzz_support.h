// Shared by the fuzz targets: a property check that stops the fuzzer with
// the line that failed, and the split of an input into its fields.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define Check(ok)                                                           \
  do {                                                                      \
    if (!(ok)) {                                                            \
      std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #ok); \
      std::abort();                                                         \
    }                                                                       \
  } while (0)

// Three fields separated by 0x01; missing ones are empty.
inline std::array<std::string_view, 3> Fields(std::string_view all) {
  std::array<std::string_view, 3> f{all, {}, {}};
  for (std::size_t i = 0; i + 1 < f.size(); ++i) {
    const std::size_t cut = f[i].find('\x01');
    if (cut == std::string_view::npos) break;
    f[i + 1] = f[i].substr(cut + 1);
    f[i] = f[i].substr(0, cut);
  }
  return f;
}
