// The updater's platform-free core: the version page, the progress display
// and the download facility's decisions.
#include <gtest/gtest.h>

#include "download_plan.h"
#include "progress.h"
#include "update_page.h"

namespace {

TEST(EscapeRegexText, LowersAndEscapesEachSpecialOnce) {
  struct Case {
    Text marker, escaped;
  } cases[] = {
      {"版本【", "版本【"},
      {"ABC", "abc"},
      {"a.b", "a\\.b"},
      {"|(/)[]?.\\^$*+}{-", "\\|\\(\\/\\)\\[\\]\\?\\.\\\\\\^\\$\\*\\+\\}\\{\\-"},
      {"<P>", "<p>"},
      {"", ""},
  };
  for (const Case& c : cases) {
    Text marker = c.marker;
    EXPECT_EQ(EscapeRegexText(marker), c.escaped) << c.marker;
    EXPECT_EQ(marker, c.escaped) << "stored back: " << c.marker;
  }
}

TEST(RegexBetween, FirstStartAndTheNextEnd) {
  struct Case {
    const char* text;
    const char* start;
    const char* end;
    const char* value;
  } cases[] = {
      {"x版本【1.4】y", "版本【", "】", "1.4"},
      {"版本【1.4】版本【2.0】", "版本【", "】", "1.4"},        // the first occurrence
      {"a[1]b[2]", "[", "]", "1"},                              // lazy: the first end
      {"版本【1\r\n.4】", "版本【", "】", "1\r\n.4"},           // a value spanning lines
      {"<B>v</b>", "<b>", "</B>", "v"},                         // ASCII case is ignored
      {"版本【】", "版本【", "】", ""},
      {"版本【1.4", "版本【", "】", ""},                        // no end after the start
      {"1.4】版本【", "版本【", "】", ""},                      // an end only before the start
      {"a.b(x)", ".b(", ")", "x"},                              // specials are literal
      {"a\\b", "a\\", "b", ""},
      {"", "a", "b", ""},
      {"ab", "", "b", ""},
      {"ab", "a", "", ""},
  };
  for (const auto& c : cases) {
    Text start = c.start, end = c.end;
    EXPECT_EQ(RegexBetween(c.text, start, end), c.value) << c.text;
  }
}

TEST(RegexBetween, ComparesBytesNotCharacters) {
  // "\xB0\x41" is one GBK character whose trail byte is "A": the byte-wise
  // search finds the marker "a" inside it, and folds it.
  Text start = "a", end = "z";
  EXPECT_EQ(RegexBetween("\xB0\x41yz", start, end), "y");
  EXPECT_EQ(start, "a");
  Text s2 = "a", e2 = "z";
  EXPECT_EQ(RegexBetween("\xB0\x41yz", s2, e2, false, nullptr, true), "") << "case-sensitive";
}

TEST(RegexBetween, AllMatchesAppendsWithoutOverlap) {
  TextArray matches;
  matches.Append("kept");
  Text start = "<", end = ">";
  EXPECT_EQ(RegexBetween("<a><b>x<c", start, end, true, &matches), "2");
  ASSERT_EQ(matches.Count(), 3);
  EXPECT_EQ(matches[2], "a");
  EXPECT_EQ(matches[3], "b");
  Text s2 = "[", e2 = "]";
  EXPECT_EQ(RegexBetween("none", s2, e2, true, &matches), "0");
  EXPECT_EQ(s2, "\\[") << "markers are left escaped";
}

TEST(RegexBetween, ALongValueIsReadWhole) {
  // A backtracking engine recurses per byte here and overflows its stack.
  const Text notes(2000000, 'q');
  Text start = "更新内容【", end = "】";
  EXPECT_EQ(RegexBetween("更新内容【" + notes + "】", start, end).size(), notes.size());
}

TEST(ReadUpdateInfo, ShowsVersionAndNotesWithAtMostThreeBreaks) {
  struct Case {
    const char* page;
    const char* address;
    const char* description;
  } cases[] = {
      {"<html>版本【1.4】下载地址【http://h/k.exe】更新内容【a</p><p>b</p><p>c</p><p>d</p><p>e】",
       "http://h/k.exe", "官方最新版本：1.4\r\n更新内容：a\r\nb\r\nc\r\nd</p><p>e"},
      {"更新内容【plain】版本【2】", "", "官方最新版本：2\r\n更新内容：plain"},
      {"版本【2】下载地址【u】", "u", "官方最新版本：2\r\n更新内容："},
      {"更新内容【a</P><P>b】", "", "官方最新版本：\r\n更新内容：a</P><P>b"},  // replaced case-sensitively
      {"", "", "官方最新版本：\r\n更新内容："},
  };
  for (const auto& c : cases) {
    const UpdateInfo info = ReadUpdateInfo(c.page);
    EXPECT_EQ(info.downloadAddress, c.address) << c.page;
    EXPECT_EQ(info.description, c.description) << c.page;
  }
}

TEST(ReadUpdateInfo, AGbkPageTakenAsUtf8FindsNothing) {
  // The bytes of a GBK page are not UTF-8: after conversion its markers are gone.
  const UpdateInfo info = ReadUpdateInfo(Utf8ToGbk("版本【1.4】下载地址【u】"));
  EXPECT_EQ(info.downloadAddress, "");
  EXPECT_EQ(info.description, "官方最新版本：\r\n更新内容：");
}

TEST(ProgressPercent, RoundsAndWaitsForTheTotal) {
  struct Case {
    std::int64_t done;
    double total;
    int percent;
  } cases[] = {
      {333, 1000, 33}, {336, 1000, 34}, {335, 1000, 34},  // rounded, not truncated
      {0, 1000, 0},    {1000, 1000, 100},
      {500, 0, 0},     {500, 1e-8, 0},                    // the total is not known yet
      {3000000000LL, 4000000000.0, 75},                   // beyond 32 bits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
  }
  EXPECT_EQ(ProgressCaption(34), "已完成：34%");
  EXPECT_EQ(ProgressCaption(0), "已完成：0%");
}

TEST(ParseHttpAddress, SplitsHttpAndRefusesTheRest) {
  struct Case {
    const char* url;
    bool ok;
    bool secure = false;
    const char* host = "";
    int port = 0;
    const char* path = "";
  } cases[] = {
      {"http://127.0.0.1:8080/new/kelvane.exe?v=2#top", true, false, "127.0.0.1", 8080, "/new/kelvane.exe?v=2"},
      {"HTTPS://Host/a", true, true, "Host", 443, "/a"},
      {"host.example", true, false, "host.example", 80, "/"},   // no scheme counts as http
      {"http://h?q=1", true, false, "h", 80, "/?q=1"},
      {"http://u:p@h:81/", true, false, "h", 81, "/"},
      {"http://[::1]:82/x", true, false, "::1", 82, "/x"},
      {"ftp://h/kelvane.exe", false},
      {"file:///c:/x", false},
      {"http://", false},
      {"http://h:0/", false},
      {"http://h:99999/", false},
      {"http://h:8x/", false},
  };
  for (const auto& c : cases) {
    HttpAddress a;
    ASSERT_EQ(ParseHttpAddress(c.url, &a), c.ok) << c.url;
    if (!c.ok) continue;
    EXPECT_EQ(a.secure, c.secure) << c.url;
    EXPECT_EQ(a.host, c.host) << c.url;
    EXPECT_EQ(a.port, c.port) << c.url;
    EXPECT_EQ(a.path, c.path) << c.url;
  }
}

TEST(PlanTransfer, OnlyAWholeFileIsEverWritten) {
  struct Case {
    bool askedRange;
    int status;
    const char* length;
    const char* range;
    bool ok;
    std::int64_t total = 0;
    bool ranged = false;
  } cases[] = {
      {true, 206, "1", "bytes 0-0/1000", true, 1000, true},
      {true, 206, "", "Bytes 0-0/1000", true, 1000, true},
      {true, 206, "1", "bytes 0-0/1", true, 1, true},
      {true, 200, "1000", "", true, 1000, false},   // the server ignored the range
      {false, 200, "1000", "", true, 1000, false},
      {false, 200, "", "", true, -1, false},        // length unknown: one stream to its end
      {true, 206, "1000", "bytes 0-999/1000", false},  // not the range asked for
      {true, 206, "1", "bytes 10-10/2000", false},
      {true, 206, "1", "bytes 0-0/*", false},
      {true, 206, "2", "bytes 0-0/1000", false},    // length contradicts the range
      {false, 206, "1", "bytes 0-0/1000", false},
      {true, 404, "10", "", false},                  // an error page is never the file
      {true, 416, "", "bytes */0", false},
      {false, 200, "-5", "", true, -1, false},
  };
  for (const auto& c : cases) {
    const TransferPlan plan = PlanTransfer(c.askedRange, c.status, c.length, c.range);
    EXPECT_EQ(plan.ok, c.ok) << c.status << " " << c.range;
    if (!plan.ok || !c.ok) continue;
    EXPECT_EQ(plan.total, c.total) << c.status << " " << c.range;
    EXPECT_EQ(plan.ranged, c.ranged) << c.status << " " << c.range;
  }
}

TEST(SplitIntoParts, CoversTheFileInLargeEnoughParts) {
  struct Case {
    std::int64_t total;
    int count;
    std::size_t parts;
  } cases[] = {
      {3 * kMinPartBytes, 3, 3}, {3 * kMinPartBytes - 1, 3, 2}, {100, 3, 1}, {0, 3, 1},
      {10 * kMinPartBytes + 7, 3, 3}, {10 * kMinPartBytes, 0, 1}, {10 * kMinPartBytes, -2, 1},
  };
  for (const Case& c : cases) {
    const std::vector<ByteRange> parts = SplitIntoParts(c.total, c.count);
    ASSERT_EQ(parts.size(), c.parts) << c.total << "/" << c.count;
    std::int64_t next = 0;
    for (const ByteRange& p : parts) {
      EXPECT_EQ(p.first, next);
      if (parts.size() > 1) {
        EXPECT_GE(p.Size(), kMinPartBytes);
      }
      next = p.last + 1;
    }
    EXPECT_EQ(next, c.total) << "contiguous up to the end";
  }
}

TEST(ReadSize, WholeBlocksOfAtLeastOneMebibyte) {
  DownloadTask task;
  task.chunkSize = 10240;
  EXPECT_EQ(ReadSize(task), 103u * 10240u);
  task.fixedChunk = 1 << 20;
  EXPECT_EQ(ReadSize(task), 1u << 20) << "fixedChunk overrides chunkSize";
  task.fixedChunk = 0;
  task.chunkSize = 0;
  EXPECT_EQ(ReadSize(task), 1u << 20);
  task.chunkSize = -5;
  EXPECT_EQ(ReadSize(task), 1u << 20);
}

TEST(ReadPacer, AsksForATenthOfASecondOfTheStream) {
  ReadPacer fast(1 << 20);
  EXPECT_EQ(fast.Next(4000), 4000u) << "before any measure: what is there";
  EXPECT_EQ(fast.Next(5u << 20), 1u << 20) << "never more than the most";
  std::size_t asked = 8192;
  fast.Took(asked, 140);
  for (int i = 0; i < 6; ++i) {
    const std::size_t next = fast.Next(100);
    EXPECT_EQ(next, 2 * asked) << "a fast stream: doubled each read, waiting for more";
    fast.Took(asked = next, 300);
  }
  EXPECT_EQ(fast.Next(100), 1u << 20);

  ReadPacer medium(1 << 20);
  for (int i = 0; i < 30; ++i) medium.Took(100000, 100000);  // 1 MB/s
  EXPECT_EQ(medium.Next(8192), 100000u);

  // A trickle whose first read found a little that was waiting.
  ReadPacer trickle(1 << 20);
  trickle.Took(4000, 500);
  EXPECT_EQ(trickle.Next(4000), 4000u) << "read as it arrives";
  for (int i = 0; i < 10; ++i) trickle.Took(4000, 100000);  // 40 KB/s
  EXPECT_EQ(trickle.Next(4000), 4000u);
  EXPECT_EQ(trickle.Next(9000), 9000u);
  for (int i = 0; i < 30; ++i) trickle.Took(1 << 20, 1000);
  EXPECT_EQ(trickle.Next(100), 1u << 20) << "it follows a stream that speeds up";
  for (int i = 0; i < 30; ++i) trickle.Took(1000, 1000000);
  EXPECT_EQ(trickle.Next(100), 100u) << "and one that slows down";
}

}  // namespace
