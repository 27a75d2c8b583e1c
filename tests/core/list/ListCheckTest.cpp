#include <gtest/gtest.h>

#include "engines/TreeFixture.h"
#include "list/ListCheck.h"

namespace zv {
namespace {

using Found = std::vector<std::pair<FindingKind, std::vector<std::size_t>>>;

Found Check(std::initializer_list<std::pair<std::string, std::string>> rows) {
  Found found;
  for (const ListFinding& f : CheckList(zvtest::Rows(rows))) found.emplace_back(f.kind, f.rows);
  return found;
}

// Each rule on a list made for it, in a UTF-8 session; the example list of
// the project has none of them.
TEST(ListCheckTest, EachRuleNamesItsRows) {
  zvtest::CodePageScope session(CodePage::Utf8);
  using K = FindingKind;
  const struct {
    const char* rule;
    Found found;
    Found expected;
  } cases[] = {
      {"duplicate", Check({{"a", "b"}, {"c", "d"}, {"a", "e"}}), {{K::Duplicate, {3, 1}}}},
      {"no change", Check({{"a", "a"}}), {{K::NoChange, {1}}}},
      {"contains an earlier one", Check({{"会社", "x"}, {"株式会社", "y"}}), {{K::ContainsEarlier, {2, 1}}}},
      {"a later one is no finding", Check({{"株式会社", "y"}, {"会社", "x"}}), {}},
      {"chain", Check({{"a", "bc"}, {"b", "d"}}), {{K::Chain, {1, 2}}}},
      {"cycle", Check({{"犬", "猫"}, {"猫", "犬"}}), {{K::Chain, {1, 2}}, {K::Cycle, {1, 2}}}},
      {"width", Check({{"ＡＢＣ", "x"}, {"abc", "y"}}), {{K::Variant, {2, 1}}}},
      // The decomposed form (か and a combining sound mark) has no form in the Japanese code pages either.
      {"normalisation",
       Check({{"\xE3\x81\x8C", "x"}, {"\xE3\x81\x8B\xE3\x82\x99", "y"}}),
       {{K::NotExpressible, {2}}, {K::Variant, {2, 1}}}},
      {"full-width space", Check({{"山田　太郎", "x"}}), {{K::LookAlike, {1}}}},
      {"wave dash", Check({{"\xE3\x80\x9C", "~"}}), {{K::LookAlike, {1}}}},
      {"no Shift_JIS form", Check({{"\xF0\x9F\x8D\xA3", "sushi"}}), {{K::NotExpressible, {1}}}},
      {"example list",
       Check({{"株式会社", "(株)"},
              {"有限会社", "(有)"},
              {"Zentravolix", "ゼントラボリクス"},
              {"ＡＢＣ", "ABC"},
              {"です。", "でございます。"}}),
       {}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.found, c.expected) << c.rule;
}

// A list's search strings are looked for on character boundaries: the
// second byte of ソ is no backslash in a 932 session.
TEST(ListCheckTest, ContainmentIsOnCharacterBoundaries) {
  zvtest::CodePageScope session(CodePage::Cp932);
  EXPECT_TRUE(CheckList(zvtest::Rows({{"\\", "/"}, {"\x83\x5C", "x"}})).empty());
  EXPECT_EQ(CheckList(zvtest::Rows({{"\\", "/"}, {"a\\", "x"}})).size(), 1u);
}

}  // namespace
}  // namespace zv
