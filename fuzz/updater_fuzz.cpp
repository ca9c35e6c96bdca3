// Feeds arbitrary bytes to the updater's readers of what a server sends:
// the version page, the download address, the length and range headers,
// and the read pacing. No crash, no read past the end, and the properties
// below for any input.
#include <string_view>

#include "download_plan.h"
#include "fuzz_support.h"
#include "update_page.h"

namespace {

bool Inside(std::string_view part, std::string_view whole) {
  return part.empty() || whole.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t flags = data[0], number = data[1];
  std::string_view all(reinterpret_cast<const char*>(data + 2), size - 2);
  // Fields: text, start marker, end marker.
  const auto [t, s, e] = Fields(all);

  // The version page.
  Text start(s), end(e);
  const Text value = RegexBetween(t, start, end, false, nullptr, flags & 1);
  Check(Inside(value, t));
  Check(start.empty() == s.empty());
  TextArray matches;
  Text start2(s), end2(e);
  const Text count = RegexBetween(t, start2, end2, true, &matches, flags & 1);
  Check(Number(count) == matches.Count() || (count.empty() && matches.Empty()));
  std::size_t total = 0;
  for (const Text& m : matches) {
    Check(Inside(m, t));
    total += m.size();
  }
  Check(total <= t.size());
  Check(matches.Empty() || matches[1] == value);
  const UpdateInfo info = ReadUpdateInfo(t);
  Check(Find(info.description, "官方最新版本：") == 1);
  Check(Inside(info.downloadAddress, t));

  // The download address and the response headers.
  HttpAddress address;
  if (ParseHttpAddress(t, &address)) {
    Check(!address.host.empty() && address.port >= 1 && address.port <= 65535);
    Check(address.path[0] == '/');
  }
  ByteRange range;
  std::int64_t length = 0;
  if (ParseContentRange(t, &range, &length)) {
    Check(0 <= range.first && range.first <= range.last && range.last < length);
  }
  const TransferPlan plan = PlanTransfer(flags & 2, flags & 4 ? 206 : 200, s, t);
  Check(!plan.ranged || (plan.ok && plan.total >= 1));
  Check(!plan.ok || plan.total >= -1);
  const std::int64_t fileSize = ParseLength(e);
  if (fileSize >= 0) {
    const std::vector<ByteRange> parts = SplitIntoParts(fileSize, number % 8 - 2);
    Check(!parts.empty() && parts.size() <= 5);
    std::int64_t next = 0;
    for (const ByteRange& p : parts) {
      Check(p.first == next);
      next = p.last + 1;
    }
    Check(next == fileSize);
  }

  // Read sizes stay within the buffer whatever the stream does.
  ReadPacer pacer(1 << 20);
  for (std::size_t i = 0; i + 1 < t.size(); i += 2) {
    const std::size_t available = static_cast<std::uint8_t>(t[i]) << (number % 16);
    const std::size_t asked = pacer.Next(available);
    Check(asked <= (1u << 20));
    pacer.Took(asked, static_cast<std::uint8_t>(t[i + 1]) * 997);
  }
  return 0;
}
