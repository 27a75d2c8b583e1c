#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Utf8Check.h"

namespace zv {
namespace {

using std::string_literals::operator""s;

// Boundaries found by walking from the start, the obvious way.
std::vector<bool> NaiveBoundaries(std::string_view s, CodePage cp) {
  std::vector<bool> b(s.size() + 1, false);
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i, cp)) b[i] = true;
  b[s.size()] = true;
  return b;
}

// Random bytes drawn mostly from the classes that make boundaries hard.
std::string RandomBytes(std::mt19937& rng, CodePage cp, std::size_t len) {
  static const std::vector<unsigned char> kCp932 = {0x81, 0x83, 0x9F, 0xE0, 0xFC, 0x40, 0x5C, 0x7E,
                                                    0x7F, 0x80, 0xA0, 0xB1, 0xDF, 0xFD, 0x41, 0x61};
  static const std::vector<unsigned char> kUtf8 = {0xC2, 0xDF, 0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5,
                                                   0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0x41, 0xFF};
  const auto& pool = cp == CodePage::Cp932 ? kCp932 : kUtf8;
  std::string s;
  for (std::size_t i = 0; i < len; ++i) {
    const unsigned v = rng() % 8 == 0 ? rng() % 256 : pool[rng() % pool.size()];
    s += static_cast<char>(v);
  }
  return s;
}

TEST(CodePageTest, Cp932CharacterBoundaries) {
  const CodePage cp = CodePage::Cp932;
  // ソ is 0x83 0x5C: its trail is the backslash byte.
  const std::string so = "\x83\x5c"s;
  EXPECT_EQ(FindOnBoundary(so, "\\", 0, cp), std::string::npos);
  EXPECT_EQ(FindOnBoundary(so + "\\", "\\", 0, cp), 2u);
  // ア is 0x83 0x41.
  EXPECT_EQ(FindOnBoundary("\x83\x41", "A", 0, cp), std::string::npos);
  EXPECT_EQ(FindOnBoundary("\x83\x41"s + "A", "A", 0, cp), 2u);
  // 'a' (0x61) is a trail too.
  EXPECT_EQ(FindOnBoundary("x\x88\x61", "a", 0, cp), std::string::npos);
  // A lead byte followed by a byte that is no trail stands alone.
  EXPECT_EQ(CharLen("\x83\x20", 0, cp), 1u);
  EXPECT_EQ(FindOnBoundary("\x83\x20", " ", 0, cp), 1u);
  // A lead byte at the end is a character of its own.
  EXPECT_EQ(CharLen("a\x83", 1, cp), 1u);
  EXPECT_TRUE(IsCharBoundary("a\x83", 1, cp));
  EXPECT_TRUE(IsCharBoundary("a\x83", 2, cp));

  // Runs of lead-capable bytes pair up from their start.
  const std::string even = "\x81\x81\x81\x81"s + "A";  // two characters, then A
  EXPECT_EQ(FindOnBoundary(even, "A", 0, cp), 4u);
  EXPECT_FALSE(IsCharBoundary(even, 3, cp));
  const std::string odd = "\x81\x81\x81"s + "A";  // 8181, then 81 41
  EXPECT_EQ(FindOnBoundary(odd, "A", 0, cp), std::string::npos);
  EXPECT_TRUE(IsCharBoundary(odd, 2, cp));
  EXPECT_FALSE(IsCharBoundary(odd, 3, cp));
  // A run that follows an ordinary byte starts afresh there.
  EXPECT_EQ(FindOnBoundary("\x81\x41\x81"s + "A", "A", 0, cp), std::string::npos);
  EXPECT_EQ(FindOnBoundary("\x81\x41"
                           "A",
                           "A", 0, cp),
            2u);

  // A later match is found after a refused candidate; the match may end
  // inside a character.
  EXPECT_EQ(FindOnBoundary("\x83\x5c\\\x83", "\\\x83", 0, cp), 2u);
  EXPECT_EQ(FindOnBoundary("\x83\x5c\\\x83\x5c", "\\\x83", 0, cp), 2u);
  EXPECT_EQ(FindOnBoundary("abc", "", 0, cp), std::string::npos);
  EXPECT_EQ(FindOnBoundary("abcabc", "abc", 1, cp), 3u);
  EXPECT_EQ(FindOnBoundary("abc", "abc", 4, cp), std::string::npos);
}

TEST(CodePageTest, Utf8CharacterBoundaries) {
  const CodePage cp = CodePage::Utf8;
  const std::string a = "\xE3\x81\x82";  // あ
  EXPECT_EQ(CharLen(a, 0, cp), 3u);
  EXPECT_FALSE(IsCharBoundary(a, 1, cp));
  EXPECT_FALSE(IsCharBoundary(a, 2, cp));
  EXPECT_EQ(FindOnBoundary(a + "\x81", "\x81", 0, cp), 3u);  // the stray continuation only
  EXPECT_EQ(CharLen("\xF0\x9F\x98\x80", 0, cp), 4u);
  EXPECT_FALSE(IsCharBoundary("\xF0\x9F\x98\x80", 3, cp));
  // Truncated and ill-formed sequences are single bytes.
  EXPECT_EQ(CharLen("\xE3\x81", 0, cp), 1u);
  EXPECT_TRUE(IsCharBoundary("\xE3\x81", 1, cp));
  EXPECT_EQ(CharLen("\xE3\x81"
                    "a",
                    0, cp),
            1u);
  EXPECT_EQ(CharLen("\xC0\x80", 0, cp), 1u);
  EXPECT_EQ(CharLen("\xED\xA0\x80", 0, cp), 1u);  // a surrogate
  EXPECT_EQ(CharLen("\xF5\x80\x80\x80", 0, cp), 1u);
  EXPECT_TRUE(IsCharBoundary("\x80\x80\x80\x80\x80", 4, cp));
  EXPECT_EQ(BoundaryAtOrBefore("x" + a, 3, cp), 1u);
  EXPECT_EQ(BoundaryAtOrBefore("x" + a, 99, cp), 4u);
  EXPECT_EQ(NextChar("x" + a, 1, cp), 4u);
}

TEST(CodePageTest, BoundaryAgreesWithScanFromStart) {
  std::mt19937 rng(12345);
  for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    for (int round = 0; round < 3000; ++round) {
      const std::string s = RandomBytes(rng, cp, rng() % 24);
      const std::vector<bool> naive = NaiveBoundaries(s, cp);
      for (std::size_t pos = 0; pos <= s.size(); ++pos) {
        ASSERT_EQ(IsCharBoundary(s, pos, cp), naive[pos])
            << "code page " << static_cast<int>(cp) << ", round " << round << ", pos " << pos;
      }
    }
  }
}

TEST(CodePageTest, FindOnBoundaryAgreesWithScanFromStart) {
  std::mt19937 rng(777);
  for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    for (int round = 0; round < 2000; ++round) {
      // Long strings give long runs of lead-capable bytes with many refused candidates.
      const std::string s = RandomBytes(rng, cp, 2 + rng() % 300);
      const std::vector<bool> naive = NaiveBoundaries(s, cp);
      const std::string needle = s.substr(rng() % (s.size() - 1), 1 + rng() % 3);
      const std::size_t from = rng() % 4;
      std::size_t expected = std::string::npos;
      for (std::size_t p = from; p + needle.size() <= s.size(); ++p) {
        if (naive[p] && s.compare(p, needle.size(), needle) == 0) {
          expected = p;
          break;
        }
      }
      ASSERT_EQ(FindOnBoundary(s, needle, from, cp), expected) << "round " << round;
    }
  }
}

TEST(CodePageTest, FoldCaseKeepsLengthsAndTrailBytes) {
  // CP932: ア (83 41), ＡＺ (82 60, 82 79), ｚ stays, then A.
  const std::string cp932 =
      "\x83\x41\x82\x60\x82\x79\x82\x9a"
      "AbZ";
  const std::string folded = FoldCase(cp932, CodePage::Cp932);
  EXPECT_EQ(folded,
            "\x83\x41\x82\x81\x82\x9a\x82\x9a"
            "abz");
  // ｱ (B1) and 'ソ' then 'Z': the 5C trail is no letter, the Z after it is.
  EXPECT_EQ(FoldCase("\xb1\x83\x5cZ", CodePage::Cp932), "\xb1\x83\x5cz");

  const std::string utf8 =
      "\xEF\xBC\xA1\xEF\xBC\xBA\xEF\xBD\x81"
      "Q\xE3\x82\xA2";  // ＡＺａQア
  const std::string f8 = FoldCase(utf8, CodePage::Utf8);
  EXPECT_EQ(f8.size(), utf8.size());
  EXPECT_EQ(f8,
            "\xEF\xBD\x81\xEF\xBD\x9A\xEF\xBD\x81"
            "q\xE3\x82\xA2");
  // Ill-formed input passes through with its length.
  EXPECT_EQ(FoldCase("\xEF\xBC", CodePage::Utf8), "\xEF\xBC");
}

TEST(CodePageTest, CaseInsensitiveOrdering) {
  for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    EXPECT_EQ(MbsICmp("A", "a", cp), 0);
    EXPECT_LT(MbsICmp("A", "b", cp), 0);
    EXPECT_GT(MbsICmp("b", "a", cp), 0);
    EXPECT_LT(MbsICmp("ab", "ABC", cp), 0);
    EXPECT_LT(MbsICmp("_", "a", cp), 0);  // folded to lower case, '_' sorts first
    EXPECT_TRUE(MbsIEqual("Hello", "hELLO", cp));
    EXPECT_FALSE(MbsIEqual("Hello", "Hell", cp));
  }
  // Half-width katakana ｱ (B1) sorts before any double-byte character, even
  // though its byte is larger than the lead 0x82.
  EXPECT_LT(MbsICmp("\xb1", "\x82\xa0", CodePage::Cp932), 0);
  EXPECT_GT(MbsICmp("\xe0\x40", "\xb1", CodePage::Cp932), 0);
  // Full-width letters compare without case, a trail byte never as a letter.
  EXPECT_EQ(MbsICmp("\x82\x60", "\x82\x81", CodePage::Cp932), 0);
  EXPECT_NE(MbsICmp("\x83\x41", "\x83\x61", CodePage::Cp932), 0);
  EXPECT_TRUE(MbsIEqual("\xEF\xBC\xA1", "\xEF\xBD\x81", CodePage::Utf8));
}

TEST(CodePageTest, Cp932LengthIsTheSameInBothCodePages) {
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "\xE3\x81\x82";  // あ
  EXPECT_EQ(Cp932Length(fifty, CodePage::Utf8), 100u);
  const auto sjis = ConvertCodePage(fifty, CodePage::Utf8, CodePage::Cp932);
  ASSERT_TRUE(sjis);
  EXPECT_EQ(Cp932Length(*sjis, CodePage::Cp932), 100u);
  // ｱ and ﾟ (U+FF71, U+FF9F) count 1; ｡ (U+FF61) too; Ａ (U+FF21) counts 2.
  EXPECT_EQ(Cp932Length("\xEF\xBD\xB1\xEF\xBE\x9F\xEF\xBD\xA1", CodePage::Utf8), 3u);
  EXPECT_EQ(Cp932Length("\xEF\xBC\xA1"
                        "a",
                        CodePage::Utf8),
            3u);
  EXPECT_EQ(Cp932Length("\xB1", CodePage::Cp932), 1u);
  EXPECT_EQ(Cp932Length("\xFF\xE3", CodePage::Utf8), 2u);  // invalid bytes count 1 each
}

TEST(CodePageTest, Conversions) {
  const std::string utf8 = "ソ表\\ｱｲ 〜～ABC";
  const auto sjis = ConvertCodePage(utf8, CodePage::Utf8, CodePage::Cp932);
  ASSERT_TRUE(sjis);
  EXPECT_EQ(sjis->substr(0, 5), "\x83\x5c\x95\x5c\\");  // CP932 keeps 0x5C as the backslash
  EXPECT_TRUE(IsValidText(*sjis, CodePage::Cp932));
  const auto back = ConvertCodePage(*sjis, CodePage::Cp932, CodePage::Utf8);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, "ソ表\\ｱｲ ～～ABC");  // the wave dash comes back as the full-width tilde

  // Characters CP932 lacks are refused, never replaced by '?'.
  EXPECT_FALSE(FromUtf8("a\xF0\x9F\x98\x80", CodePage::Cp932));
  EXPECT_FALSE(ConvertCodePage("caf\xC3\xA9", CodePage::Utf8, CodePage::Cp932));
  EXPECT_EQ(FromUtf8("abc", CodePage::Cp932), "abc");
  EXPECT_EQ(FromUtf8("\xE3\x81\x82", CodePage::Utf8), "\xE3\x81\x82");
  EXPECT_FALSE(FromUtf8("\xE3\x81", CodePage::Utf8));
  EXPECT_FALSE(FromUtf8("\xED\xA0\x80", CodePage::Cp932));

  EXPECT_FALSE(IsValidText("\x83", CodePage::Cp932));
  EXPECT_FALSE(IsValidText("\xE3\x81", CodePage::Utf8));
  EXPECT_FALSE(IsValidText("\xC0\xAF", CodePage::Utf8));
  EXPECT_TRUE(IsValidText("", CodePage::Cp932));
  EXPECT_FALSE(ConvertCodePage("\x83", CodePage::Cp932, CodePage::Cp932));

  // ToUtf8 replaces each undecodable byte and keeps the rest.
  EXPECT_EQ(ToUtf8("a\x83", CodePage::Cp932), "a\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8("\xFF\x83\x41z", CodePage::Cp932), "\xEF\xBF\xBD\xE3\x82\xA2z");
  EXPECT_EQ(ToUtf8("\xE3\x81"
                   "a\xE3\x81\x82",
                   CodePage::Utf8),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "a\xE3\x81\x82");

  // Long text crosses the converter's internal buffer.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "\xEF\xBD\xB1";  // ｱ: 3 bytes in UTF-8, 1 in CP932
  const auto bigSjis = FromUtf8(big, CodePage::Cp932);
  ASSERT_TRUE(bigSjis);
  EXPECT_EQ(bigSjis->size(), 20000u);
  EXPECT_EQ(ToUtf8(*bigSjis, CodePage::Cp932), big);
}

TEST(CodePageTest, ActiveCodePageAndDetection) {
  const CodePage saved = ActiveCodePage();
  SetActiveCodePage(CodePage::Cp932);
  EXPECT_EQ(CharLen("\x83\x5c", 0), 2u);
  SetActiveCodePage(CodePage::Utf8);
  EXPECT_EQ(CharLen("\x83\x5c", 0), 1u);
  SetActiveCodePage(saved);

  EXPECT_EQ(ParseCodePage("932"), CodePage::Cp932);
  EXPECT_EQ(ParseCodePage("65001"), CodePage::Utf8);
  EXPECT_FALSE(ParseCodePage("1252"));
  EXPECT_FALSE(ParseCodePage(""));

  EXPECT_EQ(CodePageFromCharset("UTF-8"), CodePage::Utf8);
  EXPECT_EQ(CodePageFromCharset("utf8"), CodePage::Utf8);
  EXPECT_EQ(CodePageFromCharset("Shift_JIS"), CodePage::Cp932);
  EXPECT_EQ(CodePageFromCharset("SJIS"), CodePage::Cp932);
  EXPECT_EQ(CodePageFromCharset("CP932"), CodePage::Cp932);
  EXPECT_EQ(CodePageFromCharset("Windows-31J"), CodePage::Cp932);
  EXPECT_FALSE(CodePageFromCharset("EUC-JP"));
  EXPECT_FALSE(CodePageFromCharset("ANSI_X3.4-1968"));

  const char* old = std::getenv("ZENTRAVOLIX_CODEPAGE");
  const std::string oldValue = old ? old : "";
  setenv("ZENTRAVOLIX_CODEPAGE", "932", 1);
  EXPECT_EQ(DetectCodePage(), CodePage::Cp932);
  setenv("ZENTRAVOLIX_CODEPAGE", "65001", 1);
  EXPECT_EQ(DetectCodePage(), CodePage::Utf8);
  if (old)
    setenv("ZENTRAVOLIX_CODEPAGE", oldValue.c_str(), 1);
  else
    unsetenv("ZENTRAVOLIX_CODEPAGE");
}

}  // namespace
}  // namespace zv

namespace zv {
namespace {

// The vector check agrees with the byte-by-byte one, also for sequences that
// straddle its 32-byte blocks or sit at the very end.
TEST(CodePageTest, FastUtf8CheckAgreesWithTheByteByByteOne) {
  std::mt19937 rng(2026);
  const std::vector<std::string> pieces = {"a", "\n", "\xC3\xA9", "\xE3\x81\x82", "\xF0\x9F\x8D\xA3",
                                           "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF"};
  const std::vector<std::string> faults = {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                           "\xF5\x80\x80\x80", "\xE3\x81", "\xC3", "\xFF", "\xF0\x8F\xBF\xBF"};
  for (int round = 0; round < 4000; ++round) {
    std::string s;
    const std::size_t n = rng() % 140;
    while (s.size() < n) s += pieces[rng() % pieces.size()];
    if (round % 2) s.insert(rng() % (s.size() + 1), faults[rng() % faults.size()]);
    ASSERT_EQ(IsStrictUtf8(s), IsStrictUtf8Portable(s)) << ::testing::PrintToString(s);
  }
}

}  // namespace
}  // namespace zv
