// Long lists take the indexed path in name conversion; it must agree with
// applying every row in turn, in all four modes.
#include <gtest/gtest.h>

#include <random>

#include "filename/NameConvert.h"

namespace zv {
namespace {

std::string RowByRow(std::string name, const ConvertRows& rows, NameRules rules, CodePage cp) {
  for (const ConvertItem& row : rows) ConvertNameRow(name, row, rules, cp);
  return name;
}

TEST(NameConvertIndexed, AgreesWithRowByRow) {
  for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    const std::vector<std::string> atoms =
        cp == CodePage::Cp932
            ? std::vector<std::string>{"a", "A", "b", "B", "_", "\x83\x5c", "\x82\x60", "\x82\x81", "\x83\x41", ""}
            : std::vector<std::string>{"a", "A", "b", "B", "_", "\xef\xbc\xa1", "\xef\xbd\x81", "\xe3\x81\x82", ""};
    std::mt19937 rng(cp == CodePage::Cp932 ? 11 : 12);
    auto pick = [&](int maxAtoms) {
      std::string s;
      const int n = std::uniform_int_distribution<int>(0, maxAtoms)(rng);
      for (int i = 0; i < n; ++i) s += atoms[rng() % atoms.size()];
      return s;
    };
    for (int c = 0; c < 1500; ++c) {
      ConvertRows rows;
      const int n = std::uniform_int_distribution<int>(16, 40)(rng);
      for (int i = 0; i < n; ++i) {
        ConvertItem item{pick(3), pick(3)};
        // Chains: a row that looks for what an earlier row wrote.
        if (!rows.empty() && rng() % 3 == 0) item.m_strFind = rows[rng() % rows.size()].m_strReplaceWith;
        rows.push_back(item);
      }
      const std::string name = pick(6);
      for (bool part : {false, true})
        for (bool noCase : {false, true}) {
          const NameRules rules{part, noCase};
          ASSERT_EQ(ConvertBaseName(name, rows, rules, cp), RowByRow(name, rows, rules, cp))
              << "case " << c << " part " << part << " nocase " << noCase << " name [" << name << "]";
        }
    }
  }
}

}  // namespace
}  // namespace zv
