#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include "platform/CodePage.h"
#include "settings/BinaryExtList.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

class BinaryExtListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("ZENTRAVOLIX_CONFIG_DIR")) oldEnv_ = old;
    char tmpl[] = "/tmp/zv_extlist_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    list_ = dir_ + "/ZentravolixExpList";
    setenv("ZENTRAVOLIX_CONFIG_DIR", dir_.c_str(), 1);
    savedCp_ = ActiveCodePage();
  }
  void TearDown() override {
    SetFileFaultHook(nullptr);
    SetActiveCodePage(savedCp_);
    if (oldEnv_)
      setenv("ZENTRAVOLIX_CONFIG_DIR", oldEnv_->c_str(), 1);
    else
      unsetenv("ZENTRAVOLIX_CONFIG_DIR");
    fs::remove_all(dir_);
  }
  void WriteList(std::string_view data) {
    std::ofstream out(list_, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  std::string ReadList() const {
    std::ifstream in(list_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool IsText(const std::string& path) { return IsTextFileWith(path, list_, reporter_); }

  std::string dir_, list_;
  std::optional<std::string> oldEnv_;
  CodePage savedCp_{};
  std::vector<std::string> reports_;
  FileErrorReporter reporter_ = [this](const std::string& m) { reports_.push_back(m); };
};

TEST_F(BinaryExtListTest, DefaultsAreTheShippedTwentyEight) {
  const ExtList want{"bmp", "jpg",  "jpeg", "gif", "png", "mwv",  "mwa", "mp3", "avi", "mov",
                     "asf", "mpeg", "mpg",  "swf", "mid", "aiff", "rm",  "ram", "mp4", "xls",
                     "doc", "pdf",  "mdb",  "ppt", "zip", "exe",  "dll", "db"};
  EXPECT_EQ(DefaultBinaryExtensions(), want);
  EXPECT_EQ(DefaultBinaryExtensions().size(), 28u);
}

// What the settings dialog shows without a file is what the runs use.
TEST_F(BinaryExtListTest, WithoutAListFileTheBuiltInListIsInForce) {
  ExtList out{"stale"};
  EXPECT_FALSE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(IsText("/x/photo.jpg"));
  EXPECT_FALSE(IsText("/x/a.EXE"));
  EXPECT_TRUE(IsText("/x/notes.txt"));
  EXPECT_FALSE(IsText(""));  // an empty path is never text
  EXPECT_TRUE(reports_.empty());
}

TEST_F(BinaryExtListTest, LinesBecomeEntries) {
  ExtList out;
  WriteList("bmp\r\njpg\n\r\nlast");
  ASSERT_TRUE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_EQ(out, (ExtList{"bmp", "jpg", "", "last"}));

  WriteList("");
  out = {"stale"};
  ASSERT_TRUE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(IsText("/x/photo.jpg"));
  EXPECT_FALSE(IsText(""));

  WriteList("\r\n");
  ASSERT_TRUE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_EQ(out, ExtList{""});
  // A UTF-8 byte-order mark is no part of the first entry.
  WriteList(
      "\xEF\xBB\xBF"
      "bmp\r\njpg");
  ASSERT_TRUE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_EQ(out, (ExtList{"bmp", "jpg"}));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(BinaryExtListTest, ExtensionComparedWithoutCase) {
  WriteList("JPG\r\ngz\r\ntar.gz\r\n");
  EXPECT_FALSE(IsText("/home/u/photo.jpg"));
  EXPECT_FALSE(IsText("/home/u/PHOTO.Jpg"));
  EXPECT_TRUE(IsText("/home/u/photo.jpeg"));
  EXPECT_TRUE(IsText("/home/u/photojpg"));
  // Only the last extension counts: a .tar.gz file is tested as .gz.
  EXPECT_FALSE(IsText("/home/u/archive.tar.gz"));
  WriteList("tar.gz\r\n");
  EXPECT_TRUE(IsText("/home/u/archive.tar.gz"));
  // A dot in a folder name is no extension of the file.
  WriteList("jpg\r\n");
  EXPECT_TRUE(IsText("/home/u/dir.jpg/Makefile"));
}

TEST_F(BinaryExtListTest, EmptyEntryMatchesANameEndingInADot) {
  WriteList("txt\r\n\r\n");
  EXPECT_FALSE(IsText("/x/name."));
  EXPECT_TRUE(IsText("/x/Makefile"));
  WriteList("txt\r\n");
  EXPECT_TRUE(IsText("/x/name."));
}

TEST_F(BinaryExtListTest, DoubleByteCharactersAreComparedWhole) {
  SetActiveCodePage(CodePage::Cp932);
  // ア is 0x83 0x41 and ヂ is 0x83 0x61: bytes that differ only in ASCII case.
  WriteList("\x83\x41\r\n");
  EXPECT_FALSE(IsText("/x/f.\x83\x41"));
  EXPECT_TRUE(IsText("/x/f.\x83\x61"));
  SetActiveCodePage(CodePage::Utf8);
  WriteList("ｊｐｇ\r\n");
  EXPECT_FALSE(IsText("/x/f.ＪＰＧ"));
}

// Entries are text of the session; an extension meets them in its file name's
// own encoding.
TEST_F(BinaryExtListTest, EntriesMeetEachNameInItsOwnEncoding) {
  const std::string sjisJpg = *ConvertCodePage("ｊｐｇ", CodePage::Utf8, CodePage::Cp932);
  const std::string sjisUpper = *ConvertCodePage(".ＪＰＧ", CodePage::Utf8, CodePage::Cp932);
  const struct {
    CodePage session;
    std::string entry, ext;
    bool listed;
  } cases[] = {
      {CodePage::Cp932, sjisJpg, ".ＪＰＧ", true},  // UTF-8 name in a 932 session
      {CodePage::Cp932, sjisJpg, sjisUpper, true},
      {CodePage::Utf8, "ｊｐｇ", sjisUpper, true},   // legacy name in a 65001 session
      {CodePage::Utf8, "\xF0\x9F\x8D\xA3", "." + sjisJpg, false},  // no CP932 form
      {CodePage::Cp932, "jpg", ".JPG", true},
  };
  for (const auto& c : cases) {
    SetActiveCodePage(c.session);
    EXPECT_EQ(IsListedExtension(c.ext, c.entry), c.listed) << c.ext;
  }
}

TEST_F(BinaryExtListTest, SaveWritesCrLfAndCreatesTheFile) {
  ASSERT_FALSE(fs::exists(list_));
  ASSERT_TRUE(SaveBinaryExtListTo(list_, {"bmp", "", "\x95\x5c"}, reporter_));
  EXPECT_EQ(ReadList(), "bmp\r\n\r\n\x95\x5c\r\n");
  ExtList out;
  ASSERT_TRUE(LoadBinaryExtListFrom(list_, out, reporter_));
  EXPECT_EQ(out, (ExtList{"bmp", "", "\x95\x5c"}));

  ASSERT_TRUE(SaveBinaryExtListTo(list_, {}, reporter_));
  EXPECT_EQ(fs::file_size(list_), 0u);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(BinaryExtListTest, ConfigFolderVariantsUseTheSameFile) {
  EXPECT_EQ(fs::path(BinaryExtListPath()), fs::path(list_));
  ASSERT_TRUE(SaveBinaryExtList(DefaultBinaryExtensions(), reporter_));
  ExtList out;
  ASSERT_TRUE(LoadBinaryExtList(out, reporter_));
  EXPECT_EQ(out, DefaultBinaryExtensions());
  EXPECT_FALSE(IsTextFile(dir_ + "/clip.MWV", reporter_));
  EXPECT_TRUE(IsTextFile(dir_ + "/clip.wmv", reporter_));
  // Nothing is cached: a save takes effect with the next test.
  ASSERT_TRUE(SaveBinaryExtList({"wmv"}, reporter_));
  EXPECT_FALSE(IsTextFile(dir_ + "/clip.wmv", reporter_));
  EXPECT_TRUE(IsTextFile(dir_ + "/clip.mwv", reporter_));
}

// Every way a list file fails to be read is reported, once per read, and
// the built-in list stands in: never "every file is text".
TEST_F(BinaryExtListTest, AListThatCannotBeReadIsReportedAndTheBuiltInListStands) {
  const struct {
    const char* what;
    std::function<void()> make;
    std::string message;
  } cases[] = {
      {"access refused",
       [this] {
         WriteList("txt\r\n");
         SetFileFaultHook([this](FileOp op, const std::string& p) {
           return op == FileOp::Open && p == list_ ? EACCES : 0;
         });
       },
       list_ + ": ﾌｧｲﾙｱｸｾｽ禁止です"},
      {"locked by another opener",
       [this] {
         WriteList("txt\r\n");
         SetFileFaultHook([this](FileOp op, const std::string& p) {
           return op == FileOp::Open && p == list_ ? EWOULDBLOCK : 0;
         });
       },
       list_ + ": 開けませんでした (Resource temporarily unavailable)"},
      {"past the size limit", [this] { WriteList(std::string(kMaxExtListBytes + 1, 'x')); },
       list_ + ": ﾌｧｲﾙが大きすぎます"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(list_);
    c.make();
    reports_.clear();
    ExtList out{"stale"};
    EXPECT_FALSE(LoadBinaryExtListFrom(list_, out, reporter_));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(IsText("/x/photo.jpg"));
    EXPECT_TRUE(IsText("/x/notes.txt"));
    EXPECT_EQ(reports_, std::vector<std::string>(3, c.message));  // the load and each test
    // Without a reporter the failure is still a false load, not a crash.
    EXPECT_FALSE(LoadBinaryExtListFrom(list_, out, nullptr));
    SetFileFaultHook(nullptr);
  }
}

TEST_F(BinaryExtListTest, FailedSaveIsReportedAndKeepsTheOldList) {
  WriteList("jpg\r\n");
  SetFileFaultHook([](FileOp op, const std::string&) { return op == FileOp::Write ? ENOSPC : 0; });
  EXPECT_FALSE(SaveBinaryExtListTo(list_, {"bmp", "png"}, reporter_));
  SetFileFaultHook(nullptr);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].rfind(list_ + ": ", 0), 0u) << reports_[0];
  EXPECT_EQ(ReadList(), "jpg\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(BinaryExtListTest, FileExistsSeesAnyDirectoryEntry) {
  EXPECT_TRUE(FileExists(dir_));
  EXPECT_FALSE(FileExists(dir_ + "/none"));
  WriteList("");
  EXPECT_TRUE(FileExists(list_));
  ASSERT_EQ(symlink((dir_ + "/none").c_str(), (dir_ + "/dangling").c_str()), 0);
  EXPECT_TRUE(FileExists(dir_ + "/dangling"));
}

}  // namespace
}  // namespace zv
