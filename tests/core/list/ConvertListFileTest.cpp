#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "list/ConvertListFile.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileError.h"

namespace zv {
namespace {

namespace fs = std::filesystem;

std::string ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteRaw(const std::string& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

class ListFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zv_listfile_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    saved_ = ActiveCodePage();
  }
  void TearDown() override {
    SetFileFaultHook(nullptr);
    SetActiveCodePage(saved_);
    fs::remove_all(dir_);
  }
  std::string Path(const char* name) const { return dir_ + "/" + name; }

  // Loads with the messages collected.
  LoadListResult Load(const std::string& path, ConvertRows& rows, CodePage cp) {
    messages_.clear();
    return LoadConvertList(
        path, rows, [this](const std::string& m) { messages_.push_back(m); }, cp);
  }

  std::string dir_;
  CodePage saved_{};
  std::vector<std::string> messages_;
};

ConvertItem Row(std::string f, std::string r) { return ConvertItem{std::move(f), std::move(r)}; }

// The reading rules, one line at a time. Empty fields survive here; the
// loader drops them.
TEST(ParseCsvLine, QuotedAndPlainForms) {
  struct Case {
    std::string line;
    std::optional<ConvertItem> want;
  };
  const Case cases[] = {
      {"abc,def", Row("abc", "def")},
      {"abc,def,ghi", Row("abc", "def")},
      {"abc,", Row("abc", "")},
      {",def", Row("", "def")},
      {"abcdef", std::nullopt},
      {"", std::nullopt},
      {"abc,\"def\"", Row("abc", "\"def\"")},
      {"a\"\"b,c\"\"\"\"d", Row("a\"b", "c\"\"d")},
      {" abc ,\tdef ", Row(" abc ", "\tdef ")},
      {"\"abc\",def", std::nullopt},
      {"\"abc\"", std::nullopt},
      {"\"a\"\"b\",\"c\"\"d\"", Row("a\"b", "c\"d")},
      {"\"abc\",\"def", Row("abc", "def")},
      {"\"abc\",\"def\"xyz", Row("abc", "def")},
      {"\"abc\",\"de\"\"\"", Row("abc", "de\"")},
      {"\"abc\",\"\"", Row("abc", "")},
      {"\"a,b\",\"1,2\"", Row("a,b", "1,2")},
      {"\"x\",\"a\",\"b\"", Row("x", "a")},
  };
  for (CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
    for (const Case& c : cases) {
      EXPECT_EQ(ParseCsvLine(c.line, cp), c.want) << "line [" << c.line << "] cp " << static_cast<int>(cp);
    }
  }
}

TEST(ParseCsvLine, DoubleByteTrailsNeverSplitFields) {
  // 表 and ポ end in the bytes of the backslash and the vertical bar.
  EXPECT_EQ(ParseCsvLine("\x95\x5c,\x83\x7c", CodePage::Cp932), Row("\x95\x5c", "\x83\x7c"));
  EXPECT_EQ(ParseCsvLine("\"\x95\x5c\",\"\x83\x5c\"\"\"", CodePage::Cp932), Row("\x95\x5c", "\x83\x5c\""));
  // A header line is an ordinary pair.
  EXPECT_EQ(ParseCsvLine("\x8c\x9f\x8d\xf5,\x92\x75\x8a\xb7", CodePage::Cp932),
            Row("\x8c\x9f\x8d\xf5", "\x92\x75\x8a\xb7"));
  EXPECT_EQ(ParseCsvLine("検索,置換", CodePage::Utf8), Row("検索", "置換"));
}

TEST(FormatCsvLine, QuotesDoubledNothingElseEscaped) {
  EXPECT_EQ(FormatCsvLine(Row("abc", "xyz")), "\"abc\",\"xyz\"");
  EXPECT_EQ(FormatCsvLine(Row("say \"hi\"", "1,2")), "\"say \"\"hi\"\"\",\"1,2\"");
  EXPECT_EQ(FormatCsvLine(Row("abc", "")), "\"abc\",\"\"");
  EXPECT_EQ(FormatCsvLine(Row("a\t%d", "\x95\x5c")), "\"a\t%d\",\"\x95\x5c\"");
}

TEST(ItemLimits, CountedAsCp932Bytes) {
  std::string fifty, fiftyOne;
  for (int i = 0; i < 50; ++i) fifty += "あ";
  fiftyOne = fifty + "あ";
  EXPECT_TRUE(ItemFitsLimits(fifty, fifty, CodePage::Utf8));  // 150 UTF-8 bytes, 100 CP932 bytes
  EXPECT_FALSE(ItemFitsLimits(fiftyOne, "x", CodePage::Utf8));
  EXPECT_FALSE(ItemFitsLimits("x", fiftyOne, CodePage::Utf8));
  EXPECT_TRUE(ItemFitsLimits(std::string(100, 'a'), "", CodePage::Cp932));
  EXPECT_FALSE(ItemFitsLimits(std::string(101, 'a'), "", CodePage::Cp932));
  EXPECT_FALSE(ItemFitsLimits("", "x", CodePage::Cp932));
}

TEST_F(ListFileTest, LoadSkipsWhatDoesNotParseAndKeepsFileOrder) {
  const std::string path = Path("list.csv");
  WriteRaw(path,
           "abc,def\r\n"
           "abc,def,ghi\n"
           "abc,\r\n"
           ",def\r\n"
           "no comma\r\n"
           "\r\n"
           "abc,\"def\"\r\n"
           "\"abc\",def\r\n"
           "\"a\"\"b\",\"c\"\"d\"\r\n"
           "\"abc\",\"def\r\n"
           "\"abc\",\"\"\r\n"
           "\"x\",\"y\"xyz");  // last line without a line end
  ConvertRows rows{Row("old", "row")};
  LoadListResult r = Load(path, rows, CodePage::Utf8);
  EXPECT_TRUE(r.io.ok);
  EXPECT_FALSE(r.convertedFrom.has_value());
  const ConvertRows want{Row("abc", "def"),   Row("abc", "def"), Row("abc", "\"def\""),
                         Row("a\"b", "c\"d"), Row("abc", "def"), Row("x", "y")};
  EXPECT_EQ(rows, want);
  EXPECT_EQ(r.added, 6);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ListFileTest, OverlongFieldIsReportedAndTheRestLoaded) {
  const std::string path = Path("long.csv");
  const std::string longFind(101, 'f');
  WriteRaw(path, "a,b\r\n" + longFind + ",rep\r\n\"c\",\"" + std::string(101, 'r') + "\"\r\nd,e\r\n");
  ConvertRows rows;
  LoadListResult r = Load(path, rows, CodePage::Utf8);
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(rows, (ConvertRows{Row("a", "b"), Row("d", "e")}));
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(
      messages_[0],
      "\xE9\xA0\x85\xE7\x9B\xAE\xE3\x81\xAE\xE8\xBF\xBD\xE5\x8A\xA0\xE3\x81\xAB\xE5\xA4\xB1\xE6\x95\x97"
      "\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\xE3\x80\x82"  // 項目の追加に失敗しました。
      "\xE6\xA4\x9C\xE7\xB4\xA2\xE6\x96\x87\xE5\xAD\x97\xEF\xBC\x9A" +  // 検索文字：
          longFind +
          "\r\n\xE7\xBD\xAE\xE6\x8F\x9B\xE6\x96\x87\xE5\xAD\x97\xE5\x88\x97\xEF\xBC\x9A"  // 置換文字列：
          "rep\r\n");
  EXPECT_EQ(messages_[1], AddItemFailedMessage("c", std::string(101, 'r'), CodePage::Utf8));
}

TEST_F(ListFileTest, MessageIsInTheSessionCodePage) {
  // In a CP932 session the fixed texts are CP932 bytes too, like the fields.
  const std::string msg = AddItemFailedMessage("\x95\x5c", "x", CodePage::Cp932);
  EXPECT_EQ(msg, *FromUtf8("項目の追加に失敗しました。検索文字：表\r\n置換文字列：x\r\n", CodePage::Cp932));
}

TEST_F(ListFileTest, FiftyDoubleByteCharactersLoadFiftyOneDoNot) {
  for (CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
    const std::string a = cp == CodePage::Utf8 ? "あ" : "\x82\xa0";
    std::string fifty;
    for (int i = 0; i < 50; ++i) fifty += a;
    const std::string path = Path("fifty.csv");
    WriteRaw(path, fifty + "," + fifty + "\r\n" + fifty + a + ",x\r\nx," + fifty + a + "\r\n");
    ConvertRows rows;
    LoadListResult r = Load(path, rows, cp);
    EXPECT_FALSE(r.convertedFrom.has_value());
    EXPECT_EQ(rows, ConvertRows{Row(fifty, fifty)}) << static_cast<int>(cp);
    EXPECT_EQ(messages_.size(), 2u);
  }
}

TEST_F(ListFileTest, RoundTripOfAwkwardPairs) {
  const ConvertRows utf8Rows{Row("a", "b"),
                             Row("x\"y", "1,2"),
                             Row("say \"hi\"", "\"\""),
                             Row(" tab\there ", "100%s%d"),
                             Row("keep", "a\",\"b"),
                             Row("表ポソ", "検索,置換")};
  ConvertRows cp932Rows;
  for (const ConvertItem& it : utf8Rows)
    cp932Rows.push_back(
        Row(*FromUtf8(it.m_strFind, CodePage::Cp932), *FromUtf8(it.m_strReplaceWith, CodePage::Cp932)));
  ASSERT_EQ(cp932Rows.back().m_strFind, "\x95\x5c\x83\x7c\x83\x5c");

  for (CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
    const ConvertRows& rows = cp == CodePage::Utf8 ? utf8Rows : cp932Rows;
    const std::string path = Path("round.csv");
    ASSERT_TRUE(SaveConvertList(path, rows).ok);
    const std::string raw = ReadRaw(path);
    const std::string head = "\"a\",\"b\"\r\n\"x\"\"y\",\"1,2\"\r\n\"say \"\"hi\"\"\",\"\"\"\"\"\"\r\n";
    EXPECT_EQ(raw.substr(0, head.size()), head);
    ConvertRows back;
    LoadListResult r = Load(path, back, cp);
    EXPECT_FALSE(r.convertedFrom.has_value()) << static_cast<int>(cp);
    EXPECT_EQ(back, rows) << static_cast<int>(cp);
    EXPECT_EQ(r.added, static_cast<int>(rows.size()));
  }
}

TEST_F(ListFileTest, PairsTheReaderCannotTakeBack) {
  const std::string path = Path("lossy.csv");
  ASSERT_TRUE(SaveConvertList(path, {Row("abc", ""), Row("a\",\"b", "x"), Row("ok", "fine")}).ok);
  EXPECT_EQ(ReadRaw(path), "\"abc\",\"\"\r\n\"a\"\",\"\"b\",\"x\"\r\n\"ok\",\"fine\"\r\n");
  ConvertRows rows;
  Load(path, rows, CodePage::Utf8);
  EXPECT_EQ(rows, ConvertRows{Row("ok", "fine")});
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ListFileTest, ControlZEndsTheRead) {
  const std::string path = Path("eof.csv");
  WriteRaw(path, "\"a\",\"b\"\r\n\"c\",\"d\x1a\"\r\n\"e\",\"f\"\r\n");
  ConvertRows rows;
  EXPECT_EQ(Load(path, rows, CodePage::Utf8).added, 2);
  EXPECT_EQ(rows, (ConvertRows{Row("a", "b"), Row("c", "d")}));
}

TEST_F(ListFileTest, EmptyFileGivesAnEmptyList) {
  const std::string path = Path("empty.csv");
  WriteRaw(path, "");
  ConvertRows rows{Row("old", "row")};
  LoadListResult r = Load(path, rows, CodePage::Utf8);
  EXPECT_TRUE(r.io.ok);
  EXPECT_EQ(r.added, 0);
  EXPECT_TRUE(rows.empty());
}

TEST_F(ListFileTest, MissingOrUnreadableFileLeavesRowsAlone) {
  const ConvertRows before{Row("old", "row")};
  ConvertRows rows = before;
  LoadListResult r = Load(Path("missing.csv"), rows, CodePage::Utf8);
  EXPECT_EQ(r.added, -1);
  EXPECT_TRUE(r.io.ok);
  EXPECT_EQ(rows, before);

  const std::string path = Path("locked.csv");
  WriteRaw(path, "a,b\r\n");
  SetFileFaultHook(
      [&](FileOp op, const std::string& p) { return op == FileOp::Open && p == path ? EACCES : 0; });
  r = Load(path, rows, CodePage::Utf8);
  EXPECT_FALSE(r.io.ok);
  EXPECT_EQ(rows, before);
  EXPECT_EQ(FileErrorMessage(r.io), path + ": ﾌｧｲﾙｱｸｾｽ禁止です");

  SetFileFaultHook([&](FileOp op, const std::string&) { return op == FileOp::Read ? EIO : 0; });
  r = Load(path, rows, CodePage::Utf8);
  EXPECT_FALSE(r.io.ok);
  EXPECT_EQ(rows, before);
  SetFileFaultHook(nullptr);

  // A folder exists at the path but cannot be read as a list.
  r = Load(dir_, rows, CodePage::Utf8);
  EXPECT_FALSE(r.io.ok);
  EXPECT_EQ(rows, before);
}

// A byte-order mark says what the file is: UTF-8's is no part of the first
// search string, UTF-16 (either order) is converted to the session's code
// page, or refused when it cannot be.
TEST_F(ListFileTest, ByteOrderMarksDecideTheEncoding) {
  const std::string sjisHyo = "\x95\x5c";
  auto utf16 = [](std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
      const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
      out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  const struct {
    const char* what;
    std::string bytes;
    CodePage cp;
    std::optional<std::string> from;
    ConvertRows rows;  // empty: refused
  } cases[] = {
      {"UTF-8 mark",
       "\xEF\xBB\xBF"
       "a,b\r\n",
       CodePage::Utf8,
       std::nullopt,
       {Row("a", "b")}},
      {"UTF-8 mark, 932",
       "\xEF\xBB\xBF"
       "表,b\r\n",
       CodePage::Cp932,
       "UTF-8",
       {Row(sjisHyo, "b")}},
      {"UTF-16LE",
       utf16(u"表,b\r\n\"𠮷\",\"c\"", false),
       CodePage::Utf8,
       "UTF-16LE",
       {Row("表", "b"), Row("𠮷", "c")}},
      {"UTF-16BE, 932", utf16(u"表,b\r\n", true), CodePage::Cp932, "UTF-16BE", {Row(sjisHyo, "b")}},
      {"no CP932 form", utf16(u"𠮷,b\r\n", false), CodePage::Cp932, std::nullopt, {}},
      {"lone surrogate", utf16(u"a,b\xD800\r\n", false), CodePage::Utf8, std::nullopt, {}},
      {"odd length", utf16(u"a,b", false) + "x", CodePage::Utf8, std::nullopt, {}},
  };
  const ConvertRows before{Row("old", "row")};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteRaw(Path("list.csv"), c.bytes);
    ConvertRows rows = before;
    const LoadListResult r = Load(Path("list.csv"), rows, c.cp);
    if (c.rows.empty()) {
      EXPECT_EQ(r.io.op, FileOp::Refuse);
      EXPECT_EQ(FileFailureMessage(r.io), Path("list.csv") + ": 文字ｺｰﾄﾞを変換できません");
      EXPECT_EQ(rows, before);
    } else {
      EXPECT_TRUE(r.io.ok);
      EXPECT_EQ(r.convertedFrom, c.from);
      EXPECT_EQ(rows, c.rows);
    }
  }
}

TEST_F(ListFileTest, FailedSaveKeepsTheOldFile) {
  const std::string path = Path("keep.csv");
  WriteRaw(path, "\"old\",\"list\"\r\n");
  SetFileFaultHook([](FileOp op, const std::string&) { return op == FileOp::Write ? ENOSPC : 0; });
  FileResult r = SaveConvertList(path, {Row("new", "rows")});
  SetFileFaultHook(nullptr);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(FileErrorMessage(r).has_value());
  EXPECT_EQ(ReadRaw(path), "\"old\",\"list\"\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);

  EXPECT_FALSE(SaveConvertList(Path("no/such/folder.csv"), {Row("a", "b")}).ok);

  ASSERT_TRUE(SaveConvertList(path, {}).ok);
  EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(ListFileTest, ListFromTheOtherCodePageIsConverted) {
  const std::string sjis = "\x8c\x9f\x8d\xf5,\x92\x75\x8a\xb7\r\n\"\x95\x5c\",\"\x83\x7c\"\r\n";
  const std::string utf8 = "検索,置換\r\n\"表\",\"ポ\"\r\n";

  const std::string sjisPath = Path("sjis.csv");
  WriteRaw(sjisPath, sjis);
  ConvertRows rows;
  LoadListResult r = Load(sjisPath, rows, CodePage::Utf8);
  EXPECT_EQ(r.convertedFrom, std::optional<std::string>("CP932"));
  EXPECT_EQ(rows, (ConvertRows{Row("検索", "置換"), Row("表", "ポ")}));

  const std::string utf8Path = Path("utf8.csv");
  WriteRaw(utf8Path, utf8);
  r = Load(utf8Path, rows, CodePage::Cp932);
  EXPECT_EQ(r.convertedFrom, std::optional<std::string>("UTF-8"));
  EXPECT_EQ(rows, (ConvertRows{Row("\x8c\x9f\x8d\xf5", "\x92\x75\x8a\xb7"), Row("\x95\x5c", "\x83\x7c")}));

  // Files already in the session's code page, and plain ASCII, stay as they are.
  r = Load(sjisPath, rows, CodePage::Cp932);
  EXPECT_FALSE(r.convertedFrom.has_value());
  EXPECT_EQ(rows.back(), Row("\x95\x5c", "\x83\x7c"));
  r = Load(utf8Path, rows, CodePage::Utf8);
  EXPECT_FALSE(r.convertedFrom.has_value());
  EXPECT_EQ(rows.back(), Row("表", "ポ"));
  WriteRaw(utf8Path, "a,b\r\n");
  EXPECT_FALSE(Load(utf8Path, rows, CodePage::Cp932).convertedFrom.has_value());
}

}  // namespace
}  // namespace zv
