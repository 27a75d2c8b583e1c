// Inputs the fuzz targets found, kept as plain cases so that they never come back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "filename/NameConvert.h"
#include "platform/Profile.h"
#include "text/TextConvert.h"

namespace zv {
namespace {

// A replacement that ends in a lone CP932 lead byte pairs up with the byte
// after it in the result; occurrences are still those of the name as it was.
TEST(FuzzRegression, NameRowEndingInLeadByteDoesNotHideTheNextOccurrence) {
  const std::string base =
      "\x83"
      "babbba\xE3";  // 0x83 'b' is one character; then a b b b a
  const ConvertItem row{"b", "bb`\x83"};
  const std::string want =
      "\x83"
      "babb`\x83"
      "bb`\x83"
      "bb`\x83"
      "a\xE3";
  for (bool noCase : {false, true}) {
    EXPECT_EQ(ConvertBaseName(base, {row}, {false, noCase}, CodePage::Cp932), want) << noCase;
    // Long lists take the indexed path; it must agree.
    ConvertRows many(20, ConvertItem{"zzz", "q"});
    many[7] = row;
    EXPECT_EQ(ConvertBaseName(base, many, {false, noCase}, CodePage::Cp932), want) << noCase;
  }
  // The same in the text engine, which always scanned the text as it was.
  std::string text = base;
  EXPECT_EQ(ReplaceAll(text, row.m_strFind, row.m_strReplaceWith, CodePage::Cp932), 3u);
  EXPECT_EQ(text, want);
}

// The multi-literal scan once came from a library that lost every match of
// small sets where one string ends another ("a" in "ba") after 64 bytes.
TEST(FuzzRegression, ListEngineFindsShortRowsAfterLongRuns) {
  const ConvertRows rows{{"baA", ""}, {"a", "aA"}};
  for (std::size_t run : {10u, 60u, 64u, 71u, 100u, 1000u}) {
    for (char filler : {'x', '\x82'}) {
      const std::string text = std::string(run, filler) +
                               "b\xE3"
                               "b\\\xE3\xE3\xE3\xE3\x82"
                               "baaaabA";
      std::string fast = text, reference = text;
      const std::size_t n = ApplyList(fast, rows, CodePage::Utf8);
      EXPECT_EQ(ApplyListReference(reference, rows, CodePage::Utf8), 4u);
      EXPECT_EQ(n, 4u) << run;
      EXPECT_EQ(fast, reference) << run;
    }
  }
}

TEST(FuzzRegression, ListEngineAgreesOnSmallSetsOverLongFillers) {
  std::mt19937 rng(317);
  for (int c = 0; c < 3000; ++c) {
    ConvertRows rows(2 + rng() % 5);
    for (ConvertItem& row : rows) {
      for (std::size_t k = 1 + rng() % 3; k > 0; --k) row.m_strFind += "ab"[rng() % 2];
      row.m_strReplaceWith = rng() % 4 ? std::string(1 + rng() % 2, "cA"[rng() % 2]) : std::string();
    }
    std::string text(rng() % 300, "xy"[rng() % 2]);
    for (std::size_t k = rng() % 16; k > 0; --k) text += "abxA"[rng() % 4];
    text += std::string(rng() % 80, 'x');
    std::string fast = text, reference = text;
    const CodePage cp = c % 2 ? CodePage::Cp932 : CodePage::Utf8;
    ASSERT_EQ(ApplyList(fast, rows, cp), ApplyListReference(reference, rows, cp)) << c;
    ASSERT_EQ(fast, reference) << c;
  }
}

// A settings file whose last line stops at a lone CR (no LF): a key added to
// its section must start a line of its own, and the line before keeps its value.
TEST(FuzzRegression, ProfileKeyAddedAfterLastLineEndingInLoneCr) {
  const std::string content = "[CONVERTFILE]\r\nSRCDIR=/data\r";
  const std::string updated = ProfileUpdate(content, "CONVERTFILE", "SUBDIR", "1");
  EXPECT_EQ(ProfileLookup(updated, "CONVERTFILE", "SUBDIR", "-", 519), "1");
  EXPECT_EQ(ProfileLookup(updated, "CONVERTFILE", "SRCDIR", "-", 519), "/data");
  EXPECT_EQ(updated, "[CONVERTFILE]\r\nSRCDIR=/data\r\nSUBDIR=1\r\n");

  const std::string other = ProfileUpdate(content, "CONVERTTEXT", "SUBDIR", "0");
  EXPECT_EQ(ProfileLookup(other, "CONVERTTEXT", "SUBDIR", "-", 519), "0");
  EXPECT_EQ(ProfileLookup(other, "CONVERTFILE", "SRCDIR", "-", 519), "/data");
}

}  // namespace
}  // namespace zv
