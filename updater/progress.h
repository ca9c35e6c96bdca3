// The progress display of the download.
#pragma once

#include <cstdint>

#include "text.h"

// bytesDone of totalSize in percent, rounded to a whole number (not
// truncated); 0 while the total is not known (|totalSize| <= 1e-7).
int ProgressPercent(std::int64_t bytesDone, double totalSize);

// "已完成：" + percent + "%"
Text ProgressCaption(int percent);
