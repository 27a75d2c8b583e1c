#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "engines/TreeFixture.h"
#include "text/TextEncoding.h"

using namespace std::string_literals;

namespace zv {
namespace {

std::string In(const char* utf8, const char* iconvName) {
  // The encodings that are decoded go through iconv as the program does;
  // generated with other tables, the checks below would test those tables.
  if (std::string(iconvName) == "UTF-8") return utf8;
  if (std::string(iconvName) == "CP932") return *ConvertCodePage(utf8, CodePage::Utf8, CodePage::Cp932);
  TextEncoding enc = TextEncoding::Cp932;
  if (std::string(iconvName) == "EUC-JP") enc = TextEncoding::EucJp;
  if (std::string(iconvName) == "ISO-2022-JP") enc = TextEncoding::Iso2022Jp;
  if (std::string(iconvName) == "UTF-16LE") enc = TextEncoding::Utf16Le;
  if (std::string(iconvName) == "UTF-16BE") enc = TextEncoding::Utf16Be;
  return *EncodeText(utf8, enc);
}

TEST(TextEncodingTest, DetectionFollowsTheOrderOfItsRules) {
  zvtest::CodePageScope session(CodePage::Cp932);
  const char* kText = "株式会社ゼントの山田です。\n";
  const struct {
    const char* what;
    std::string bytes;
    std::optional<FileEncoding> expected;
  } cases[] = {
      {"UTF-8 BOM", "\xEF\xBB\xBF" + In(kText, "UTF-8"), FileEncoding{TextEncoding::Utf8, 3, false}},
      {"UTF-16LE BOM", "\xFF\xFE" + In(kText, "UTF-16LE"), FileEncoding{TextEncoding::Utf16Le, 2, false}},
      {"UTF-16BE BOM", "\xFE\xFF" + In(kText, "UTF-16BE"), FileEncoding{TextEncoding::Utf16Be, 2, false}},
      {"ISO-2022-JP", In(kText, "ISO-2022-JP"), FileEncoding{TextEncoding::Iso2022Jp, 0, false}},
      {"ASCII with an ANSI escape", "plain \x1B[1mtext\n", FileEncoding{TextEncoding::Cp932, 0, true}},
      {"UTF-8", In(kText, "UTF-8"), FileEncoding{TextEncoding::Utf8, 0, false}},
      {"CP932", In(kText, "CP932"), FileEncoding{TextEncoding::Cp932, 0, false}},
      {"EUC-JP", In(kText, "EUC-JP"), FileEncoding{TextEncoding::EucJp, 0, false}},
      // Valid in both: kana or punctuation read in EUC-JP decide for it ...
      {"EUC-JP also valid CP932", In("ゼント", "EUC-JP"), FileEncoding{TextEncoding::EucJp, 0, false}},
      {"EUC-JP kanji only", In("株式会社", "EUC-JP"), FileEncoding{TextEncoding::EucJp, 0, false}},
      // ... half-width katakana records decide for CP932.
      {"CP932 half-width katakana", In("ｶﾌﾞｼｷｶﾞｲｼｬｾﾞﾝﾄ", "CP932"),
       FileEncoding{TextEncoding::Cp932, 0, false}},
      {"UTF-8 cut in a character", In(kText, "UTF-8").substr(0, 4), std::nullopt},
      {"a NUL byte", "a\0b"s, std::nullopt},
      {"fits nothing", "\x80\xFF\xFE\x80", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<FileEncoding> got = DetectEncoding(c.bytes);
    ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.what;
    if (!got) continue;
    EXPECT_EQ(got->encoding, c.expected->encoding) << c.what;
    EXPECT_EQ(got->bom, c.expected->bom) << c.what;
    EXPECT_EQ(got->ascii, c.expected->ascii) << c.what;
  }
}

// Whatever the detector claims can be read and written back exactly, or the
// file is left alone: a UTF-16 body with a lone surrogate, an ISO-2022-JP
// text that does not end in ASCII.
TEST(TextEncodingTest, DecodingIsTakenOnlyWhenItGivesTheBytesBack) {
  EXPECT_TRUE(DecodeExactly(In("株式\r\n", "UTF-16LE"), TextEncoding::Utf16Le));
  EXPECT_FALSE(
      DecodeExactly("\x00\xD8"
                    "a\x00"s,
                    TextEncoding::Utf16Le));
  const std::string iso = In("株式", "ISO-2022-JP");
  ASSERT_EQ(iso.substr(iso.size() - 3), "\x1B(B");
  EXPECT_EQ(DecodeExactly(iso, TextEncoding::Iso2022Jp), "株式");
  EXPECT_FALSE(DecodeExactly(iso.substr(0, iso.size() - 3), TextEncoding::Iso2022Jp));
}

// The 64-byte check agrees with the byte-by-byte one, runs of lead bytes
// across block edges and at the very end included.
TEST(TextEncodingTest, FastCp932CheckAgreesWithTheByteByByteOne) {
  std::mt19937 rng(932);
  const unsigned char alphabet[] = {'a',  '\n', 0x81, 0x82, 0x9F, 0xE0, 0xFC, 0x40, 0x7E, 0x7F,
                                    0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF, 0x3F, 0x8E, 0xB0};
  for (int round = 0; round < 20000; ++round) {
    std::string s(rng() % 200, 'x');
    // Mostly valid text with runs of lead bytes, so both answers occur.
    for (char& c : s) c = static_cast<char>(alphabet[rng() % (round % 3 == 0 ? std::size(alphabet) : 9)]);
    ASSERT_EQ(IsStructurallyCp932(s), IsStructurallyCp932Portable(s)) << ::testing::PrintToString(s);
  }
}

}  // namespace
}  // namespace zv
