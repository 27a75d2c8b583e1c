#include <gtest/gtest.h>

#include "engines/TreeFixture.h"
#include "filename/NameConvert.h"

namespace zv {
namespace {

using zvtest::Rows;

std::string Conv(const std::string& base, const ConvertRows& rows, bool part, bool noCase,
                 CodePage cp = CodePage::Utf8, std::size_t* count = nullptr) {
  return ConvertBaseName(base, rows, NameRules{part, noCase}, cp, count);
}

TEST(NameConvert, PartialMatchHonoursCaseOption) {
  EXPECT_EQ(Conv("Report", Rows({{"report", "summary"}}), false, true), "summary");
  EXPECT_EQ(Conv("Report", Rows({{"report", "summary"}}), false, false), "Report");
  EXPECT_EQ(Conv("my_report_report", Rows({{"report", "R"}}), false, false), "my_R_R");
}

TEST(NameConvert, NoCaseKeepsUntouchedCaseAndInsertsReplacementAsTyped) {
  std::size_t count = 0;
  EXPECT_EQ(Conv("MyDOC_doc", Rows({{"doc", "Text"}}), false, true, CodePage::Utf8, &count), "MyText_Text");
  EXPECT_EQ(count, 2u);
  // Inserted text is never searched again, by the folded copy either.
  EXPECT_EQ(Conv("aAa", Rows({{"a", "ab"}}), false, true, CodePage::Utf8, &count), "ababab");
  EXPECT_EQ(count, 3u);
  // A replacement that grows the name keeps the folded copy in step.
  EXPECT_EQ(Conv("XyXy", Rows({{"x", "LONGER-"}}), false, true), "LONGER-yLONGER-y");
  EXPECT_EQ(Conv("XyXy", Rows({{"XY", ""}}), false, true), "XyXy");  // would be empty
}

TEST(NameConvert, NoOverlapAndScanResumesAfterInsertedText) {
  EXPECT_EQ(Conv("aaaa", Rows({{"aa", "a"}}), false, false), "aa");
  EXPECT_EQ(Conv("aaa", Rows({{"aa", "b"}}), false, false), "ba");
  EXPECT_EQ(Conv("ab", Rows({{"a", "aa"}}), false, false), "aab");
}

TEST(NameConvert, WholeNameMode) {
  EXPECT_EQ(Conv("REPORT", Rows({{"report", "x"}}), true, true), "x");
  EXPECT_EQ(Conv("REPORT", Rows({{"report", "x"}}), true, false), "REPORT");
  EXPECT_EQ(Conv("report", Rows({{"report", "x"}}), true, false), "x");
  EXPECT_EQ(Conv("report_2020", Rows({{"report", "x"}}), true, true), "report_2020");
}

TEST(NameConvert, EmptyResultKeepsNameOnlyOutsideWholeNameMode) {
  std::size_t count = 7;
  EXPECT_EQ(Conv("abc", Rows({{"abc", ""}}), false, false, CodePage::Utf8, &count), "abc");
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(Conv("abc", Rows({{"abc", ""}}), false, true), "abc");
  EXPECT_EQ(Conv("abc", Rows({{"abc", ""}}), true, false), "");
  EXPECT_EQ(Conv("xabcx", Rows({{"abc", ""}}), false, false), "xx");
}

TEST(NameConvert, EmptySearchStringDoesNothing) {
  EXPECT_EQ(Conv("abc", Rows({{"", "z"}}), false, false), "abc");
  EXPECT_EQ(Conv("abc", Rows({{"", "z"}}), false, true), "abc");
  EXPECT_EQ(Conv("", Rows({{"", "z"}}), true, true), "");
}

TEST(NameConvert, RowsChainInDisplayOrder) {
  EXPECT_EQ(Conv("A", Rows({{"A", "B"}, {"B", "C"}}), false, false), "C");
  EXPECT_EQ(Conv("A", Rows({{"A", "B"}, {"B", "C"}}), true, false), "C");
  EXPECT_EQ(Conv("A", Rows({{"B", "C"}, {"A", "B"}}), false, false), "B");
  // A later row sees what an earlier row inserted.
  EXPECT_EQ(Conv("ab", Rows({{"a", "b"}, {"b", "c"}}), false, false), "cc");
  EXPECT_EQ(Conv("x", ConvertRows{}, false, false), "x");
}

TEST(NameConvert, Cp932MatchesNeverStartOnATrailByte) {
  const std::string so = "\x83\x5c";  // ソ, trail byte is the backslash byte
  EXPECT_EQ(Conv(so + "\\", Rows({{"\\", "_"}}), false, false, CodePage::Cp932), so + "_");
  EXPECT_EQ(Conv(so + "\\", Rows({{"\\", "_"}}), false, true, CodePage::Cp932), so + "_");
  // Full-width Ａ (0x82 0x60) folds to ａ (0x82 0x81) with byte lengths kept.
  const std::string fullA = "\x82\x60", fullLowerA = "\x82\x81";
  EXPECT_EQ(Conv("x" + fullA + "y", Rows({{fullLowerA, "Q"}}), false, true, CodePage::Cp932), "xQy");
  EXPECT_EQ(Conv("x" + fullA + "y", Rows({{fullLowerA, "Q"}}), false, false, CodePage::Cp932),
            "x" + fullA + "y");
  EXPECT_EQ(Conv(fullA, Rows({{fullLowerA, "Q"}}), true, true, CodePage::Cp932), "Q");
}

}  // namespace
}  // namespace zv
