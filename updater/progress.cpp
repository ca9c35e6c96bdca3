#include "progress.h"

#include <cmath>

int ProgressPercent(std::int64_t bytesDone, double totalSize) {
  if (std::fabs(totalSize) <= 1e-7) return 0;
  return static_cast<int>(std::lround(static_cast<double>(bytesDone) / totalSize * 100.0));
}

Text ProgressCaption(int percent) { return "已完成：" + Decimal(percent) + "%"; }
