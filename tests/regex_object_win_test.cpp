// RegexObject over the real "VBScript.RegExp" component.
#include <gtest/gtest.h>

#include <thread>

#include "regex_object.h"

namespace {

TEST(RegexObject, MatchesAndOffsets) {
  RegexObject r;
  ASSERT_TRUE(r.Create("b+", "abbc"));
  EXPECT_EQ(r.GetPattern(), "b+");
  EXPECT_EQ(r.MatchCount(), 1);
  int offset = -9;
  EXPECT_EQ(r.MatchText(1, &offset), "bb");
  EXPECT_EQ(offset, 1);
  EXPECT_EQ(r.MatchText(2), "") << "beyond the matches";
  EXPECT_EQ(r.MatchText(0), "");

  // A double-byte character counts once for the component, twice in bytes;
  // the byte offset is that of the match itself, not of an earlier "b".
  ASSERT_TRUE(r.Create("b$", "中中bab"));
  EXPECT_EQ(r.MatchText(1, &offset), "b");
  EXPECT_EQ(offset, 6);
  ASSERT_TRUE(r.Create("中+", "a中中b"));
  EXPECT_EQ(r.MatchText(1, &offset), "中中");
  EXPECT_EQ(offset, 1);
}

TEST(RegexObject, InvalidPatternGivesFalseAndNothing) {
  RegexObject r;
  EXPECT_FALSE(r.Create("(a", "aaa"));
  EXPECT_EQ(r.MatchCount(), 0);
  EXPECT_EQ(r.MatchText(1), "");
  EXPECT_EQ(r.SubmatchCount(), 0);
  RegexObject unused;
  EXPECT_EQ(unused.GetPattern(), "") << "no engine yet";
  EXPECT_EQ(unused.Replace("x"), "");
}

TEST(RegexObject, Options) {
  struct OptionCase {
    const char* what;
    const char* pattern;
    const char* subject;
    bool caseSensitive, multiline, global;
    int count;
  };
  const OptionCase cases[] = {
      {"case folded by default", "B", "abcb", false, true, true, 2},
      {"case-sensitive", "B", "abcb", true, true, true, 0},
      {"first match only", "b", "abcb", false, true, false, 1},
      {"multiline anchors", "^b", "a\r\nb\nb", false, true, true, 2},
      {"single-line anchors", "^b", "a\r\nb", false, false, true, 0},
      {"the dot never matches a line feed", "a.b", "a\nb", false, true, true, 0},
      {"lazy and greedy", "a[\\s\\S]*?b", "a1b2b", false, true, true, 1},
  };
  for (const OptionCase& c : cases) {
    RegexObject r;
    EXPECT_TRUE(r.Create(c.pattern, c.subject, c.caseSensitive, c.multiline, c.global)) << c.what;
    EXPECT_EQ(r.MatchCount(), c.count) << c.what;
  }
}

TEST(RegexObject, QuoteTokenGroupsAndReplace) {
  RegexObject r;
  ASSERT_TRUE(r.Create("#引号(\\w+)#引号", "say \"hi\" 中 \"yo\"", false, true, true, true));
  EXPECT_EQ(r.GetPattern(), "\"(\\w+)\"");
  EXPECT_EQ(r.MatchCount(), 2);
  EXPECT_EQ(r.SubmatchCount(), 1);
  int offset = -9;
  EXPECT_EQ(r.SubmatchText(2, 1, &offset), "yo");
  EXPECT_EQ(offset, 13);
  EXPECT_EQ(r.Replace("[$1]"), "say [hi] 中 [yo]");
  ASSERT_TRUE(r.Create("#引号(\\w+)#引号", "say \"hi\" 中 \"yo\"", false, true, false, true));
  EXPECT_EQ(r.Replace("[$1]"), "say [hi] 中 \"yo\"");
  ASSERT_TRUE(r.Create("#引号", "a#引号b") );
  EXPECT_EQ(r.MatchCount(), 1) << "the token stays literal without quoteToken";

  ASSERT_TRUE(r.Create("(a)(x)?c", "中ac"));
  EXPECT_EQ(r.SubmatchCount(), 2);
  EXPECT_EQ(r.SubmatchText(1, 1, &offset), "a");
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(r.SubmatchText(1, 2), "") << "a group that took part in nothing";
  EXPECT_EQ(r.SubmatchText(1, 3), "");
  EXPECT_EQ(r.SubmatchText(2, 1), "");
}

TEST(RegexObject, CopiesShareTheAutomationObjects) {
  RegexObject a;
  ASSERT_TRUE(a.Create("b", "abcb"));
  {
    RegexObject b(a);
    EXPECT_EQ(b.MatchCount(), 2);
    ASSERT_TRUE(a.Create("c", "cc c"));
    EXPECT_EQ(a.MatchCount(), 3);
    // The copy keeps the engine and matches it shared, and its own subject.
    EXPECT_EQ(b.GetPattern(), "b");
    int offset = -9;
    EXPECT_EQ(b.MatchText(2, &offset), "b");
    EXPECT_EQ(offset, 3);
    EXPECT_EQ(b.Replace("-"), "a-c-");
  }
  EXPECT_EQ(a.MatchCount(), 3) << "the copy's end leaves the original working";
  RegexObject c;
  c = a;
  EXPECT_EQ(c.Replace("x"), "xx x");
}

// Runs body on a thread of its own, whose COM state nothing else touches.
template <typename F>
void OnFreshThread(F body) {
  std::thread(body).join();
}

TEST(RegexObject, ComIsHeldOnlyWhileObjectsLive) {
  OnFreshThread([] {
    {
      RegexObject r;
      RegexObject copy(r);
      EXPECT_TRUE(copy.Create("a", "a"));
    }
    Text text = "\r\na\r\n\r\nb";
    EXPECT_EQ(RemoveBlankLines(text, true), "a\r\nb");
    // S_OK, not S_FALSE: every initialisation was undone.
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  });
  // A thread already in the multithreaded apartment keeps it.
  OnFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      RegexObject r;
      EXPECT_TRUE(r.Create("b", "abc"));
      EXPECT_EQ(r.MatchCount(), 1);
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
  });
}

TEST(RegexObject, ComponentAgreesWithTheDirectCleaner) {
  const char* pieces[] = {"a", "中", " ", "\t", "\r", "\n", "\r\n", "\f", "\v"};
  RegexObject r;
  unsigned seed = 12345;
  for (int n = 0; n < 300; ++n) {
    Text text;
    for (int k = static_cast<int>(seed % 24); k > 0; --k) {
      seed = seed * 1103515245u + 12345u;
      text += pieces[(seed >> 16) % 9];
    }
    seed = seed * 1103515245u + 12345u;
    ASSERT_TRUE(r.Create("\\n\\s*\\r", text));
    EXPECT_EQ(r.Replace(""), DropBlankLineBreaks(text)) << testing::PrintToString(text);
  }
}

}  // namespace
