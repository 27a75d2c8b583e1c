#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "settings/Settings.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

// Points the config folder at a fresh temporary folder for each test.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("ZENTRAVOLIX_CONFIG_DIR")) oldEnv_ = old;
    char tmpl[] = "/tmp/zv_settings_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("ZENTRAVOLIX_CONFIG_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (oldEnv_)
      setenv("ZENTRAVOLIX_CONFIG_DIR", oldEnv_->c_str(), 1);
    else
      unsetenv("ZENTRAVOLIX_CONFIG_DIR");
    fs::remove_all(dir_);
  }
  std::string Ini() const { return dir_ + "/Zentravolix.ini"; }
  void WriteIni(const std::string& text) {
    std::ofstream out(Ini(), std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string ReadIni() const {
    std::ifstream in(Ini(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::string dir_;
  std::optional<std::string> oldEnv_;
};

TEST_F(SettingsTest, PathIsBuiltAnewInTheConfigFolder) {
  EXPECT_EQ(fs::path(SettingsFilePath()), fs::path(Ini()));
  const std::string other = dir_ + "/other";
  fs::create_directory(other);
  setenv("ZENTRAVOLIX_CONFIG_DIR", other.c_str(), 1);
  EXPECT_EQ(fs::path(SettingsFilePath()), fs::path(other + "/Zentravolix.ini"));
  ASSERT_TRUE(SaveConvertFilePaths({"/s", "/d", "*.txt"}).ok);
  EXPECT_TRUE(fs::exists(other + "/Zentravolix.ini"));
  EXPECT_FALSE(fs::exists(Ini()));
}

TEST_F(SettingsTest, MissingFileLeavesOutputsAlone) {
  FileOptions fo{"a", "b", "c", "d"};
  FilePaths fp{"e", "f", "g"};
  TextOptions to{"h", "i", "j"};
  EXPECT_FALSE(LoadConvertFileOptions(fo));
  EXPECT_FALSE(LoadConvertFilePaths(fp));
  EXPECT_FALSE(LoadConvertTextOptions(to));
  EXPECT_EQ(fo.subDir + fo.noCase + fo.overwrite + fo.part, "abcd");
  EXPECT_EQ(fp.srcDir + fp.dstDir + fp.search, "efg");
  EXPECT_EQ(to.subDir + to.overwrite + to.exceptFileCopyOnly, "hij");
}

TEST_F(SettingsTest, MissingKeysTakeTheirDefaults) {
  WriteIni("[OTHER]\r\nSUBDIR=1\r\n");
  FileOptions fo;
  FilePaths fp{"keep", "keep", "keep"};
  TextOptions to;
  EXPECT_TRUE(LoadConvertFileOptions(fo));
  EXPECT_TRUE(LoadConvertFilePaths(fp));
  EXPECT_TRUE(LoadConvertTextOptions(to));
  EXPECT_EQ(fo.subDir, "0");
  EXPECT_EQ(fo.noCase, "1");  // case-insensitive unless stored otherwise
  EXPECT_EQ(fo.overwrite, "0");
  EXPECT_EQ(fo.part, "");
  EXPECT_TRUE(FlagOn(fo.noCase));
  EXPECT_FALSE(FlagOn(fo.part));
  // Empty defaults deliver nothing, so the caller's values stay.
  EXPECT_EQ(fp.srcDir + fp.dstDir + fp.search, "keepkeepkeep");
  EXPECT_EQ(to.subDir + to.overwrite + to.exceptFileCopyOnly, "000");
}

TEST_F(SettingsTest, EmptyValuesStayEmptyExceptTextOptions) {
  WriteIni(
      "[CONVERTFILE]\r\nSUBDIR=\r\nNOCASE=\r\nOVERWRITE=\r\nPART=\r\nSRCDIR=\r\nDSTDIR=\r\nSEARCH=\r\n"
      "[CONVERTTEXT]\r\nSUBDIR=\r\nOVERWRITE=\r\nEXCEPTFILECOPYONLY=\r\n");
  FileOptions fo;
  FilePaths fp;
  TextOptions to{"x", "y", "z"};
  EXPECT_TRUE(LoadConvertFileOptions(fo));
  EXPECT_TRUE(LoadConvertFilePaths(fp));
  EXPECT_TRUE(LoadConvertTextOptions(to));
  EXPECT_EQ(fo.subDir + fo.noCase + fo.overwrite + fo.part, "");
  EXPECT_FALSE(FlagOn(fo.noCase));
  EXPECT_EQ(fp.srcDir + fp.dstDir + fp.search, "");
  EXPECT_EQ(to.subDir, "0");
  EXPECT_EQ(to.overwrite, "0");
  EXPECT_EQ(to.exceptFileCopyOnly, "0");
}

TEST_F(SettingsTest, StoredValuesAreReadInTheirGroups) {
  WriteIni(
      "[CONVERTTEXT]\r\nSUBDIR=1\r\nOVERWRITE=2\r\nEXCEPTFILECOPYONLY=-1\r\n"
      "[CONVERTFILE]\r\nSUBDIR=1\r\nNOCASE=0\r\nOVERWRITE=2\r\nPART=1\r\nSRCDIR=/src\r\n");
  FileOptions fo;
  FilePaths fp;
  TextOptions to;
  LoadConvertFileOptions(fo);
  LoadConvertFilePaths(fp);
  LoadConvertTextOptions(to);
  EXPECT_EQ(fo.subDir + fo.noCase + fo.overwrite + fo.part, "1021");
  EXPECT_FALSE(FlagOn(fo.overwrite));  // "2" is not on for a run
  EXPECT_EQ(FlagToInt(fo.overwrite), 2);
  EXPECT_EQ(fp.srcDir, "/src");
  EXPECT_EQ(fp.search, "");
  EXPECT_EQ(to.subDir + "|" + to.overwrite + "|" + to.exceptFileCopyOnly, "1|2|-1");
  EXPECT_FALSE(FlagOn(to.exceptFileCopyOnly));
}

TEST_F(SettingsTest, LongValueIsCutTo518Bytes) {
  const std::string longPath = "/" + std::string(599, 'p');
  WriteIni("[CONVERTFILE]\r\nSRCDIR=" + longPath + "\r\n");
  FilePaths fp;
  ASSERT_TRUE(LoadConvertFilePaths(fp));
  EXPECT_EQ(fp.srcDir, longPath.substr(0, 518));
}

TEST_F(SettingsTest, SavesRoundTripAndWriteKeysInOrder) {
  const FileOptions fo{"1", "0", "1", "0"};
  const FilePaths fp{"/src/\x95\x5c", "/dst dir/ポ", ""};
  const TextOptions to{"0", "1", "-1"};
  ASSERT_TRUE(SaveConvertFileOptions(fo).ok);
  ASSERT_TRUE(SaveConvertFilePaths(fp).ok);
  ASSERT_TRUE(SaveConvertTextOptions(to).ok);

  FileOptions fo2;
  FilePaths fp2{"x", "x", "x"};
  TextOptions to2;
  ASSERT_TRUE(LoadConvertFileOptions(fo2));
  ASSERT_TRUE(LoadConvertFilePaths(fp2));
  ASSERT_TRUE(LoadConvertTextOptions(to2));
  EXPECT_EQ(fo2.subDir + fo2.noCase + fo2.overwrite + fo2.part, "1010");
  EXPECT_EQ(fp2.srcDir, fp.srcDir);
  EXPECT_EQ(fp2.dstDir, fp.dstDir);
  EXPECT_EQ(fp2.search, "x");  // written empty, read back as nothing
  EXPECT_EQ(to2.subDir + to2.overwrite + to2.exceptFileCopyOnly, "01-1");

  // On disk: two sections, keys in table order, values unquoted.
  std::istringstream in(ReadIni());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  const std::vector<std::string> want{"[CONVERTFILE]",      "SUBDIR=1",    "NOCASE=0",
                                      "OVERWRITE=1",        "PART=0",      "SRCDIR=/src/\x95\x5c",
                                      "DSTDIR=/dst dir/ポ", "SEARCH=",     "[CONVERTTEXT]",
                                      "SUBDIR=0",           "OVERWRITE=1", "EXCEPTFILECOPYONLY=-1"};
  EXPECT_EQ(lines, want);

  // A second save replaces values in place.
  ASSERT_TRUE(SaveConvertTextOptions({"1", "1", "1"}).ok);
  TextOptions to3;
  LoadConvertTextOptions(to3);
  EXPECT_EQ(to3.subDir + to3.overwrite + to3.exceptFileCopyOnly, "111");
  FileOptions fo3;
  LoadConvertFileOptions(fo3);
  EXPECT_EQ(fo3.subDir + fo3.noCase + fo3.overwrite + fo3.part, "1010");
}

TEST(SettingsFlags, IntegerReadingAndWriting) {
  EXPECT_EQ(FlagToInt("1"), 1);
  EXPECT_EQ(FlagToInt("0"), 0);
  EXPECT_EQ(FlagToInt("-1"), -1);
  EXPECT_EQ(FlagToInt("  \t+7"), 7);
  EXPECT_EQ(FlagToInt("12abc"), 12);
  EXPECT_EQ(FlagToInt(""), 0);
  EXPECT_EQ(FlagToInt("abc"), 0);
  EXPECT_EQ(FlagToInt("- 1"), 0);
  EXPECT_EQ(FlagToInt("99999999999999999999"), INT_MAX);
  EXPECT_EQ(FlagToInt("-99999999999999999999"), INT_MIN);
  EXPECT_EQ(IntToFlag(-1), "-1");
  EXPECT_EQ(IntToFlag(1), "1");
  EXPECT_EQ(IntToFlag(INT_MIN), "-2147483648");
  EXPECT_TRUE(FlagOn("1"));
  for (const char* off : {"", "0", "2", " 1", "1 ", "01", "-1"}) EXPECT_FALSE(FlagOn(off)) << off;
}

}  // namespace
}  // namespace zv
