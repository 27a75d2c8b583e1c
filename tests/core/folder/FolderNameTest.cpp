#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "folder/FolderName.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

class FolderNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zv_foldername_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fs::create_directory(dir_ + "/taken");
    std::ofstream(dir_ + "/plainfile") << "x";
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

TEST(FolderNameTexts, ForbiddenCharactersAndMessage) {
  EXPECT_EQ(std::string(kInvalidFolderNameChars), "\x5c\x2f\x3a\x2a\x3f\x22\x3c\x3e\x7c");
  EXPECT_EQ(std::string(texts::kInvalidFolderName),
            "\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xAB\xE3\x83\x80\xE5\x90\x8D\xE3\x81\xAB\xE3\x81\xAF"
            "\xE6\xAC\xA1\xE3\x81\xAE\xE6\x96\x87\xE5\xAD\x97\xE3\x81\xAF\xE4\xBD\xBF\xE3\x81\x88"
            "\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93:\n");
}

TEST_F(FolderNameTest, EmptyAndForbiddenNames) {
  for (CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
    EXPECT_EQ(CheckNewFolderName(dir_, "", cp), FolderNameCheck::Empty);
    for (char c : std::string(kInvalidFolderNameChars)) {
      EXPECT_EQ(CheckNewFolderName(dir_, std::string("new") + c + "name", cp), FolderNameCheck::InvalidChar)
          << c;
    }
    EXPECT_EQ(CheckNewFolderName(dir_, "a/b", cp), FolderNameCheck::InvalidChar);
    EXPECT_EQ(CheckNewFolderName(dir_, std::string("a\0b", 3), cp), FolderNameCheck::InvalidChar);
    // Forbidden characters are refused before the name is looked up or measured.
    EXPECT_EQ(CheckNewFolderName(dir_, "taken|", cp), FolderNameCheck::InvalidChar);
    EXPECT_EQ(CheckNewFolderName(dir_, std::string(300, 'x') + "*", cp), FolderNameCheck::InvalidChar);
    EXPECT_EQ(CheckNewFolderName(dir_, " new folder ", cp), FolderNameCheck::Ok);
  }
}

TEST_F(FolderNameTest, DoubleByteTrailBytesAreNoSeparators) {
  // 表 = 0x95 0x5C and ポ = 0x83 0x7C: whole characters in CP932.
  EXPECT_EQ(CheckNewFolderName(dir_, "\x95\x5c", CodePage::Cp932), FolderNameCheck::Ok);
  EXPECT_EQ(CheckNewFolderName(dir_, "\x83\x7c\x95\x5c", CodePage::Cp932), FolderNameCheck::Ok);
  // Read as UTF-8 the same bytes hold a real backslash and bar.
  EXPECT_EQ(CheckNewFolderName(dir_, "\x95\x5c", CodePage::Utf8), FolderNameCheck::InvalidChar);
  EXPECT_EQ(CheckNewFolderName(dir_, "表ポ", CodePage::Utf8), FolderNameCheck::Ok);
  // A lead byte without a trail byte never hides the byte after it.
  EXPECT_EQ(CheckNewFolderName(dir_, "\x83\x7c\x83", CodePage::Cp932), FolderNameCheck::Ok);
  EXPECT_EQ(CheckNewFolderName(dir_, "a\x83/", CodePage::Cp932), FolderNameCheck::InvalidChar);
}

TEST_F(FolderNameTest, ExistingFoldersAreRefused) {
  for (const std::string& parent : {dir_, dir_ + "/", dir_ + "//"}) {
    EXPECT_EQ(CheckNewFolderName(parent, "taken", CodePage::Utf8), FolderNameCheck::Exists) << parent;
    EXPECT_EQ(CheckNewFolderName(parent, ".", CodePage::Utf8), FolderNameCheck::Exists);
    EXPECT_EQ(CheckNewFolderName(parent, "..", CodePage::Utf8), FolderNameCheck::Exists);
    EXPECT_EQ(CheckNewFolderName(parent, "plainfile", CodePage::Utf8), FolderNameCheck::Ok);
    EXPECT_EQ(CheckNewFolderName(parent, "fresh", CodePage::Utf8), FolderNameCheck::Ok);
    EXPECT_EQ(CheckNewFolderName(parent, "...", CodePage::Utf8), FolderNameCheck::Ok);
  }
  EXPECT_EQ(CheckNewFolderName("/", "tmp", CodePage::Utf8), FolderNameCheck::Exists);
}

TEST_F(FolderNameTest, OverlongNamesAndPaths) {
  EXPECT_EQ(CheckNewFolderName(dir_, std::string(255, 'n'), CodePage::Utf8), FolderNameCheck::Ok);
  EXPECT_EQ(CheckNewFolderName(dir_, std::string(256, 'n'), CodePage::Utf8), FolderNameCheck::TooLong);
  std::string deep = "/";
  while (deep.size() < 4000) deep += std::string(99, 'd') + "/";
  EXPECT_EQ(CheckNewFolderName(deep, std::string(200, 'n'), CodePage::Utf8), FolderNameCheck::TooLong);
  const std::string parent = std::string(4095 - 11, 'p');
  EXPECT_EQ(CheckNewFolderName(parent, std::string(10, 'n'), CodePage::Utf8), FolderNameCheck::Ok);
  EXPECT_EQ(CheckNewFolderName(parent, std::string(11, 'n'), CodePage::Utf8), FolderNameCheck::TooLong);
}

TEST(NewFolderPath, ExactlyOneSeparator) {
  EXPECT_EQ(NewFolderPath("/a/b", "c"), "/a/b/c");
  EXPECT_EQ(NewFolderPath("/a/b/", "c"), "/a/b/c");
  EXPECT_EQ(NewFolderPath("/a/b///", "c"), "/a/b/c");
  EXPECT_EQ(NewFolderPath("/", "c"), "/c");
  EXPECT_EQ(NewFolderPath("//", "c"), "/c");
  EXPECT_EQ(NewFolderPath("/a/\x95\x5c", "c"), "/a/\x95\x5c/c");
}

}  // namespace
}  // namespace zv
