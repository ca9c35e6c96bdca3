// A table of named cases, each computing a text and naming the one expected.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "text.h"

struct Case {
  const char* what;
  std::function<Text()> actual;
  Text expected;
};

inline void RunTable(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(c.actual(), c.expected) << c.what;
}
