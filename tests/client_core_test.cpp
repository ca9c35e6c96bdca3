#include <gtest/gtest.h>

#include "catalogue.h"
#include "picture_file.h"
#include "picture_request.h"

namespace {

Text Fields(const CatalogueEntry& e) {
  return e.number + "|" + e.title + "|" + e.preview + "|" + e.generation;
}

TEST(Catalogue, LineFields) {
  struct {
    const char* line;
    const char* fields;
  } cases[] = {
      {"甲----P---G", "1|[甲]|P|G"},
      {"no hyphens", "1|[]||"},
      {"甲----P", "1|[甲]||P"},  // "----" holds "---": the rest is the generation address
      {"t----p---g---id=7", "1|[t]|p|id=7"},
      {"T----http://a/b?x=1---http://a/g.php?ID=1&id=42", "1|[T]|http://a/b?x=1|http://a/g.php?ID=1&id=42"},
      {"", "1|[]||"},
  };
  for (const auto& c : cases) EXPECT_EQ(Fields(ParseCatalogueLine(c.line, 1)), c.fields) << c.line;
}

TEST(Catalogue, LinesAreNumberedInOrder) {
  auto entries = ParseCatalogue("a----p1---g1\r\nb----p2---g2\r\n");
  ASSERT_EQ(entries.size(), 2u) << "a trailing CR LF gives no empty record";
  EXPECT_EQ(Fields(entries[1]), "2|[b]|p2|g2");
  EXPECT_TRUE(ParseCatalogue("").empty());
}

TEST(Catalogue, PictureIdAndCount) {
  EXPECT_EQ(PictureIdOf("http://g/x.php?id=1&id=42"), "42");
  EXPECT_EQ(PictureIdOf("http://g/x.php?ID=42"), "") << "case-sensitive";
  EXPECT_EQ(PictureIdOf(""), "");
  EXPECT_EQ(CountLabelText(37), "高清37张图");
  EXPECT_EQ(CountLabelText(0), "高清0张图");
}

TEST(PictureRequest, AddressAndReply) {
  const Text lines[4] = {"甲", "a b", "x/y", "1.5-2"};
  EXPECT_EQ(PictureRequestAddress("http://r", "4&2", lines),
            "http://r/aosbegin.php?id=4&2&text1=%E7%94%B2&text2=a%20b&text3=x%2Fy&text4=1.5-2"
            "&text5=undefined&rnd=");
  const Text empty[4];
  EXPECT_EQ(PictureRequestAddress("", "", empty),
            "/aosbegin.php?id=&text1=&text2=&text3=&text4=&text5=undefined&rnd=");

  EXPECT_EQ(PicturePathOf("<status><outputimg>./x/1.gif</outputimg><srcimg>s"), "/x/1.gif");
  EXPECT_EQ(PicturePathOf("<STATUS><OUTPUTIMG>./a.gif</OUTPUTIMG><SRCIMG>"), "/a.gif");
  EXPECT_EQ(PicturePathOf("<status><outputimg>./a.gif"), "");
  EXPECT_EQ(PicturePathOf(""), "");
}

TEST(PictureFile, TitlesThatStayInTheDirectory) {
  struct {
    const char* title;
    const char* path;  // empty: refused
  } cases[] = {
      {"[甲]", "D:/p/[甲].gif"},
      {"", "D:/p/.gif"},
      {"[a.b] (2)", "D:/p/[a.b] (2).gif"},
      // 0x95 0x5C is one character whose second byte is the backslash code.
      {"\x95\x5C", "D:/p/\x95\x5C.gif"},
      {"..", ""},
      {"[..\\..\\x]", ""},
      {"../x", ""},
      {"a/b", ""},
      {"C:x", ""},
      {"a?b", ""},
      {"a*b", ""},
      {"a|b", ""},
      {"a\"b", ""},
      {"<a>", ""},
      {"a\tb", ""},
      {"con", ""},
      {"LPT1", ""},
      {"[con]", "D:/p/[con].gif"},
  };
  for (const auto& c : cases) EXPECT_EQ(PictureFilePath("D:/p", c.title), c.path) << c.title;
}

}  // namespace
