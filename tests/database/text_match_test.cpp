// Search matching over Shift-JIS text and the small string utilities.
#include "database/text_match.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/sjis.h"

namespace velm {
namespace {

using velmtest::Sjis;

std::int32_t Find(const std::string& text, const std::string& pattern, bool caseSensitive,
                  bool widthSensitive, bool wholeWord) {
  return FindText(text.c_str(), pattern.c_str(), caseSensitive, widthSensitive, wholeWord);
}

TEST(WidthFoldTable, PairsTheFullWidthTextWithItsHalfWidthPartners) {
  const std::string full = Sjis(
      "０１２３４５６７８９ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊ"
      "ｋｌｍ"
      "ｎｏｐｑｒｓｔｕｖｗｘｙｚ！”＃＄％＆’（）＝～｜￥［］｛｝＜＞＠＊＋－＿，．＾；：・");
  const std::string half =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!\"#$%&'()=~|\\[]{}<>@*+-_,.^;"
      ":"
      "\xA5";
  ASSERT_EQ(full.size(), 2u * kWidthFoldCount);
  ASSERT_EQ(half.size(), static_cast<std::size_t>(kWidthFoldCount));
  for (int i = 0; i < kWidthFoldCount; ++i) {
    const auto code = static_cast<std::uint16_t>(static_cast<std::uint8_t>(full[2 * i]) << 8 |
                                                 static_cast<std::uint8_t>(full[2 * i + 1]));
    EXPECT_EQ(kWidthFoldTable[i].fullWidth, code) << "entry " << i;
    EXPECT_EQ(kWidthFoldTable[i].halfWidth, static_cast<std::uint8_t>(half[i])) << "entry " << i;
  }
}

TEST(FindText, CaseFolding) {
  EXPECT_EQ(Find("xxABCyy", "abc", false, true, false), 2);
  EXPECT_EQ(Find("xxABCyy", "abc", true, true, false), -1);
  EXPECT_EQ(Find("xxabcyy", "ABC", false, true, false), 2);
  // Only A … Z fold: the bytes just outside the range stay distinct.
  EXPECT_EQ(Find("[@]", "{`}", false, true, false), -1);
  // Both ends of the range fold, in either direction and after width folding.
  const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ", lower = "abcdefghijklmnopqrstuvwxyz";
  for (std::size_t i = 0; i < upper.size(); ++i) {
    const std::string u(1, upper[i]), l(1, lower[i]);
    EXPECT_EQ(Find("-" + u, l, false, true, false), 1) << u;
    EXPECT_EQ(Find("-" + l, u, false, true, false), 1) << u;
    EXPECT_EQ(Find("-" + u, l, true, true, false), -1) << u;
  }
  EXPECT_EQ(Find(Sjis("ＡＺ"), "az", false, false, false), 0);
}

TEST(FindText, WidthFolding) {
  const std::string fullAbc = Sjis("ＡＢＣ");
  EXPECT_EQ(Find("x" + fullAbc, "abc", false, false, false), 1);
  EXPECT_EQ(Find("xxabc", fullAbc, false, false, false), 2);
  EXPECT_EQ(Find("x" + fullAbc, "abc", false, true, false), -1);
  EXPECT_EQ(Find("xxabc", fullAbc, false, true, false), -1);
  // Case is folded after width: a full-width capital matches only with case folded.
  EXPECT_EQ(Find(fullAbc, "ABC", true, false, false), 0);
  EXPECT_EQ(Find(fullAbc, "abc", true, false, false), -1);
  // Symbols, the yen sign and the katakana middle dot.
  EXPECT_EQ(Find(Sjis("価格￥１００"), "\\100", true, false, false), 4);
  EXPECT_EQ(Find(Sjis("a・b"),
                 "a\xA5"
                 "b",
                 true, false, false),
            0);
  // Half-width katakana other than the middle dot do not fold.
  EXPECT_EQ(Find(Sjis("ア"), Sjis("ｱ"), false, false, false), -1);
}

TEST(FindText, DoubleByteCharactersAreNeverSplit) {
  // 0x82 0x49 pairs the lead byte of the digits with the trail byte of "！": not an entry.
  EXPECT_EQ(Find("\x82\x49", "!", false, false, false), -1);
  // A trail byte that looks like an ASCII letter is not matched on its own.
  EXPECT_EQ(Find("\x82\x49", "I", false, true, false), -1);
  EXPECT_EQ(Find(Sjis("表示"), "\x5C", true, true, false), -1);  // 表 is 0x95 0x5C
  EXPECT_EQ(Find(Sjis("表示") + "\\", "\\", true, true, false), 4);
}

TEST(FindText, WholeWords) {
  EXPECT_EQ(Find("a cat.", "cat", true, true, true), 2);
  EXPECT_EQ(Find("cat", "cat", true, true, true), 0);
  EXPECT_EQ(Find("cats", "cat", true, true, true), -1);
  EXPECT_EQ(Find("concat", "cat", true, true, true), -1);
  EXPECT_EQ(Find("cat0", "cat", true, true, true), -1);
  EXPECT_EQ(Find("cats cat", "cat", true, true, true), 5);
  // A double-byte character is a word boundary on both sides.
  EXPECT_EQ(Find(Sjis("猫cat犬"), "cat", true, true, true), 2);
  // Only single bytes are word characters: a folded full-width word ends at any
  // double-byte character, even a full-width letter.
  EXPECT_EQ(Find(Sjis("ｃａｔ"), "cat", true, false, true), 0);
  EXPECT_EQ(Find(Sjis("ｃａｔｓ"), "cat", true, false, true), 0);
  EXPECT_EQ(Find(Sjis("ｃａｔ") + "s", "cat", true, false, true), -1);
}

TEST(FindText, EdgesOfTextAndPattern) {
  EXPECT_EQ(Find("ab", "abc", true, true, false), -1);
  EXPECT_EQ(Find("", "a", true, true, false), -1);
  EXPECT_EQ(Find("abc", "", true, true, false), 0);
  EXPECT_EQ(FindText(nullptr, "a", true, true, false), -1);
  EXPECT_EQ(FindText("a", nullptr, true, true, false), -1);
  // A lead byte right before the terminator is one byte; the walk stops there.
  EXPECT_EQ(Find("ab\x82", "\x82", true, true, false), 2);
  EXPECT_EQ(Find("ab\x82", "b\x82", true, true, false), 1);
}

TEST(MatchAt, ReportsTheTextBytesConsumed) {
  const std::string text = Sjis("ＡＢＣd");
  std::int32_t length = 3;
  EXPECT_EQ(MatchAt(text.c_str(), "abc", length, false, false), 0);
  EXPECT_EQ(length, 6);
  length = 4;
  EXPECT_EQ(MatchAt(text.c_str(), "abcd", length, false, false), 0);
  EXPECT_EQ(length, 7);
  length = 5;
  EXPECT_NE(MatchAt(text.c_str(), "abcde", length, false, false), 0);
  length = 2;  // only the first bytes of the pattern count
  EXPECT_EQ(MatchAt("abz", "abc", length, true, true), 0);
}

TEST(ShiftJisByteClass, ScansFromTheStart) {
  EXPECT_EQ(ShiftJisByteClass("\x82\xA0", 0), 1);
  EXPECT_EQ(ShiftJisByteClass("\x82\xA0", 1), 2);
  EXPECT_EQ(ShiftJisByteClass("a\x82\xA0"
                              "b",
                              3),
            0);
  // A trail byte in the lead range is still a trail byte.
  EXPECT_EQ(ShiftJisByteClass("\x81\x81\x81\x81", 1), 2);
  EXPECT_EQ(ShiftJisByteClass("\x81\x81\x81\x81", 2), 1);
  EXPECT_EQ(ShiftJisByteClass("x\xE0\x40", 2), 2);
  EXPECT_EQ(ShiftJisByteClass("\xA5\xFD", 1), 0);  // half-width kana, 0xFD: single bytes
}

TEST(StringUtilities, FindSubstring) {
  EXPECT_EQ(FindSubstring("abcabc", "ca"), 2);
  EXPECT_EQ(FindSubstring("abc", "abcd"), -1);
  EXPECT_EQ(FindSubstring("abc", ""), 0);
  EXPECT_EQ(FindSubstring("", ""), -1);
  EXPECT_EQ(FindSubstring(nullptr, "a"), -1);
  EXPECT_EQ(FindSubstring("a", nullptr), -1);
  EXPECT_EQ(FindSubstring("Group.VEL.VEL", ".VEL"), 5);
}

TEST(StringUtilities, CopyPrefix) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  CopyPrefix("abcdef", 3, buffer);
  EXPECT_STREQ(buffer, "abc");
  CopyPrefix("ab", 5, buffer);
  EXPECT_STREQ(buffer, "ab");
  CopyPrefix("ab", 0, buffer);
  EXPECT_STREQ(buffer, "");
  std::strcpy(buffer, "keep");
  CopyPrefix(nullptr, 3, buffer);
  EXPECT_STREQ(buffer, "keep");
}

TEST(StringUtilities, ParseInteger) {
  EXPECT_EQ(ParseInteger("  -42px"), -42);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("x1"), 0);
  EXPECT_EQ(ParseInteger("\t5"), 0);  // only spaces are skipped
  EXPECT_EQ(ParseInteger("- 5"), 0);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseInteger("99999999999999999999"), 2147483647);
  EXPECT_EQ(ParseInteger("-99999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(ParseInteger(nullptr), 0);
}

TEST(StringUtilities, FillBytes) {
  char buffer[6] = "abcde";
  FillBytes(buffer + 1, '-', 3);
  EXPECT_STREQ(buffer, "a---e");
  FillBytes(buffer, 'z', 0);
  FillBytes(buffer, 'z', -4);
  EXPECT_STREQ(buffer, "a---e");
}

}  // namespace
}  // namespace velm
