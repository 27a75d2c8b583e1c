#include "text/TextConvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace zv {
namespace {

class BothCodePages : public ::testing::TestWithParam<CodePage> {
 protected:
  void SetUp() override {
    saved_ = ActiveCodePage();
    SetActiveCodePage(GetParam());
  }
  void TearDown() override { SetActiveCodePage(saved_); }
  CodePage cp() const { return GetParam(); }
  // A UTF-8 literal in the code page under test.
  std::string T(std::string_view utf8) const { return *FromUtf8(utf8, cp()); }

 private:
  CodePage saved_ = CodePage::Utf8;
};

std::string Replaced(std::string text, std::string_view f, std::string_view r, CodePage cp) {
  ReplaceAll(text, f, r, cp);
  return text;
}

TEST_P(BothCodePages, ReplaceAllIsLeftToRightWithoutOverlap) {
  EXPECT_EQ(Replaced("aaa", "aa", "b", cp()), "ba");
  EXPECT_EQ(Replaced("aaaa", "aa", "a", cp()), "aa");
  // Inserted text is never searched again by the same row.
  EXPECT_EQ(Replaced("aAa", "a", "ab", cp()), "abAab");
  std::string t = "xyz";
  EXPECT_EQ(ReplaceAll(t, "", "q", cp()), 0u);
  EXPECT_EQ(t, "xyz");
  EXPECT_EQ(Replaced("a-b-c", "-", "", cp()), "abc");
  EXPECT_EQ(Replaced("", "a", "b", cp()), "");
}

TEST_P(BothCodePages, MatchingIsExactBytes) {
  EXPECT_EQ(Replaced("ABC", "abc", "x", cp()), "ABC");
  EXPECT_EQ(Replaced(T("ＡＢＣ"), "ABC", "x", cp()), T("ＡＢＣ"));
  EXPECT_EQ(Replaced(T("東京と京都"), T("京"), T("亰"), cp()), T("東亰と亰都"));
}

TEST_P(BothCodePages, RowsChainInDisplayOrder) {
  ConvertRows ab{{"a", "b"}, {"b", "c"}};
  ConvertRows ba{{"b", "c"}, {"a", "b"}};
  std::string t1 = "ab", t2 = "ab";
  EXPECT_EQ(ApplyList(t1, ab, cp()), 3u);
  EXPECT_EQ(t1, "cc");
  ApplyList(t2, ba, cp());
  EXPECT_EQ(t2, "bc");
  std::string t3 = "unchanged";
  EXPECT_EQ(ApplyList(t3, {}, cp()), 0u);
  EXPECT_EQ(t3, "unchanged");
}

TEST(ReplaceAllCp932, NeverMatchesInsideADoubleByteCharacter) {
  // ソ is 0x83 0x5C: its second byte is the backslash byte.
  std::string text = "\x83\x5c\x5c";
  ReplaceAll(text, "\\", "/", CodePage::Cp932);
  EXPECT_EQ(text, "\x83\x5c/");
  // ア is 0x83 0x41: 'A' as its second byte is not a character.
  text = "\x83\x41" "A";
  EXPECT_EQ(ReplaceAll(text, "A", "B", CodePage::Cp932), 1u);
  EXPECT_EQ(text, "\x83\x41" "B");
  // A search string that spans two characters still matches from a boundary.
  text = "x\x83\x41\x83\x41";
  EXPECT_EQ(ReplaceAll(text, "\x41\x83", "?", CodePage::Cp932), 0u);
}

TEST(ReplaceAllUtf8, NeverMatchesInsideAMultibyteCharacter) {
  // U+3042 is E3 81 82; searching for its tail bytes must not match.
  std::string text = "\xe3\x81\x82\x81\x82";
  EXPECT_EQ(ReplaceAll(text, "\x81\x82", "!", CodePage::Utf8), 1u);
  EXPECT_EQ(text, "\xe3\x81\x82!");
}

TEST(RemoveLineBreaks, KeepsLoneCarriageReturns) {
  std::string t = "a\r\nb\nc\rd";
  RemoveLineBreaks(t);
  EXPECT_EQ(t, "abc\rd");
  t = "\r\r\n\n";
  RemoveLineBreaks(t);
  EXPECT_EQ(t, "\r");
}

TEST(SingleFileConvention, EveryLineEndsInCrLf) {
  EXPECT_EQ(SingleFileTextFromBytes(""), "");
  EXPECT_EQ(SingleFileTextFromBytes("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(SingleFileTextFromBytes("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(SingleFileTextFromBytes("a\r\n"), "a\r\n");  // never CR CR LF
  EXPECT_EQ(SingleFileTextFromBytes("a\rb\n"), "a\rb\r\n");
  EXPECT_EQ(SingleFileTextFromBytes("a\x1a" "b"), "a\x1a" "b\r\n");  // 0x1A is ordinary here
  EXPECT_EQ(SingleFileTextFromBytes("\n\n"), "\r\n\r\n");
}

TEST(FolderConvention, TextModeWithFinalLineEnd) {
  EXPECT_EQ(FolderTextFromBytes(""), "");
  EXPECT_EQ(FolderTextFromBytes("a\nb"), "a\nb\n");
  EXPECT_EQ(FolderTextFromBytes("a\r\nb\r\n"), "a\nb\n");
  EXPECT_EQ(FolderTextFromBytes("a\rb"), "a\rb\n");
  EXPECT_EQ(FolderTextFromBytes("ab\x1a" "cd\n"), "ab\n");
  EXPECT_EQ(FolderTextFromBytes("\x1a" "cd"), "");
}

class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zv-text-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return dir_ + "/" + name; }
  void Put(const char* name, std::string_view bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Get(const char* name) {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string dir_;
};

TEST_F(TextFiles, FolderToolRoundTripNormalisesLineEnds) {
  Put("in.txt", "a\nb\r\nc\rd");
  std::string text;
  ASSERT_TRUE(ReadFolderText(Path("in.txt"), text));
  EXPECT_EQ(text, "a\nb\nc\rd\n");
  ASSERT_TRUE(WriteFolderText(Path("out.txt"), text));
  EXPECT_EQ(Get("out.txt"), "a\r\nb\r\nc\rd\r\n");
  Put("empty.txt", "");
  ASSERT_TRUE(ReadFolderText(Path("empty.txt"), text));
  ASSERT_TRUE(WriteFolderText(Path("empty-out.txt"), text));
  EXPECT_EQ(Get("empty-out.txt"), "");
}

TEST_F(TextFiles, SingleFileToolWritesBytesAsTheyStand) {
  Put("in.txt", "x\ny");
  std::string text;
  ASSERT_TRUE(ReadSingleFileText(Path("in.txt"), text));
  EXPECT_EQ(text, "x\r\ny\r\n");
  RemoveLineBreaks(text);
  ASSERT_TRUE(WriteSingleFileText(Path("out.txt"), text));
  EXPECT_EQ(Get("out.txt"), "xy");
}

TEST_F(TextFiles, ReadingAMissingFileFails) {
  std::string text = "kept";
  FileResult r = ReadSingleFileText(Path("missing.txt"), text);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.err, ENOENT);
  EXPECT_EQ(text, "kept");
}

// The engine the programs use must agree with the row-by-row reference.
TEST_P(BothCodePages, ApplyListAgreesWithReferenceOnRandomInput) {
  std::mt19937 rng(1234);
  const std::vector<std::string> atoms = {"a", "b", "ab", "\\", T("ソ"), T("表"), T("あ"), "A", "\r\n", "\n"};
  auto pick = [&](int maxAtoms) {
    std::string s;
    int n = std::uniform_int_distribution<int>(0, maxAtoms)(rng);
    for (int i = 0; i < n; ++i) s += atoms[rng() % atoms.size()];
    return s;
  };
  for (int iter = 0; iter < 2000; ++iter) {
    ConvertRows rows;
    int nrows = std::uniform_int_distribution<int>(0, 6)(rng);
    for (int r = 0; r < nrows; ++r) {
      std::string f = pick(3);
      if (f.empty()) f = "a";
      rows.push_back({f, pick(2)});
    }
    std::string text = pick(20);
    std::string ref = text, fast = text;
    std::size_t nref = ApplyListReference(ref, rows, cp());
    std::size_t nfast = ApplyList(fast, rows, cp());
    ASSERT_EQ(fast, ref) << "iteration " << iter;
    ASSERT_EQ(nfast, nref) << "iteration " << iter;
  }
}

INSTANTIATE_TEST_SUITE_P(CodePages, BothCodePages, ::testing::Values(CodePage::Cp932, CodePage::Utf8),
                         [](const auto& info) { return info.param == CodePage::Cp932 ? "Cp932" : "Utf8"; });

}  // namespace
}  // namespace zv
