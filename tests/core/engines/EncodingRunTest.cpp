// Folder text runs over trees that mix encodings, each file against a model
// made here from iconv and the row-by-row reference engine: decode, line
// ends, rows, line ends, encode.
#include <gtest/gtest.h>
#include <iconv.h>

#include <map>

#include "engines/TreeFixture.h"
#include "filename/FolderWalk.h"
#include "text/FolderTextEngine.h"
#include "text/ListMatcher.h"
#include "text/TextConvert.h"

namespace zv {
namespace {

using namespace std::string_literals;
using zvtest::ReadBytes;
using zvtest::RecordingErrors;
using zvtest::RecordingSink;
using zvtest::TempDir;
using zvtest::WriteBytes;

std::optional<std::string> Iconv(const std::string& s, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(s.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(s.data());
  std::size_t inLeft = s.size();
  char* o = out.data();
  std::size_t oLeft = out.size();
  const bool ok = iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<std::size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &o, &oLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - oLeft);
  return out;
}

struct Kind {
  const char* file;
  const char* iconvName;  // EUC-JP and ISO-2022-JP as the program reads them (CP932's look-alikes)
  std::string mark;
  const char* label;
};

const Kind kKinds[] = {
    {"sjis.txt", "CP932", "", "Shift_JIS"},
    {"utf8.txt", "UTF-8", "", "UTF-8"},
    {"utf8bom.txt", "UTF-8", "\xEF\xBB\xBF", "UTF-8 (BOM)"},
    {"euc.txt", "EUC-JP-MS", "", "EUC-JP"},
    {"iso.txt", "ISO-2022-JP", "", "ISO-2022-JP"},
    {"utf16le.txt", "UTF-16LE", "\xFF\xFE", "UTF-16LE (BOM)"},
    {"utf16be.txt", "UTF-16BE", "\xFE\xFF", "UTF-16BE (BOM)"},
};

// The text without a half-width katakana, which ISO-2022-JP cannot hold.
const std::string kText =
    "株式会社ゼントの山田です。\r\nＡＢＣ有限会社\n\r\nlone CR\rstays\x1A after the end";
// Rows typed in UTF-8; ｶﾅ has no ISO-2022-JP form, so that row sits out there.
const std::vector<std::pair<std::string, std::string>> kRows = {
    {"株式会社", "(株)"}, {"有限会社", "(有)"}, {"山田", "ｶﾅ"}, {"ＡＢＣ", "ABC"}};

// What the run must write for a file of this kind.
std::string Model(const Kind& k, bool keepLineEnds) {
  std::string utf8 = kText;
  if (!keepLineEnds) {
    utf8 = TextModeDecode(utf8);
    if (!utf8.empty() && utf8.back() != '\n') utf8 += '\n';
  }
  ConvertRows rows;
  for (const auto& [f, r] : kRows) {
    if (Iconv(f, "UTF-8", k.iconvName) && Iconv(r, "UTF-8", k.iconvName)) rows.push_back({f, r});
  }
  ApplyListReference(utf8, rows, CodePage::Utf8);
  if (!keepLineEnds) utf8 = TextModeEncode(utf8);
  return k.mark + *Iconv(utf8, "UTF-8", k.iconvName);
}

class EncodingRun : public ::testing::TestWithParam<CodePage> {
 protected:
  void SetUp() override { SetActiveCodePage(GetParam()); }
  void TearDown() override { SetActiveCodePage(CodePage::Utf8); }

  void WriteTree() {
    for (const Kind& k : kKinds) WriteBytes(src + "/" + k.file, k.mark + *Iconv(kText, "UTF-8", k.iconvName));
    WriteBytes(src + "/ascii.txt", "plain ABC\n");
    WriteBytes(src + "/photo.jpg", "\xFF\xD8 binary");
    WriteBytes(src + "/data.dat", "a\0b\0"s);                  // NUL bytes: no text
    WriteBytes(src + "/junk.txt", "\x80\xFF\x80 not text");    // fits no encoding
    WriteBytes(src + "/bad16.txt", "\xFF\xFE\x00\xD8x\x00"s);  // a lone surrogate
  }

  std::map<std::string, FileOutcome> Run(FolderTextRunOptions opt) {
    std::vector<std::string> files;
    EXPECT_TRUE(CollectFiles(src, "*.*", false, files, {}));
    opt.isTextFile = [](const std::string& p) { return !p.ends_with(".jpg"); };
    FolderTextEngine engine(files, src, out, std::move(opt), ActiveCodePage());
    ConvertRows rows;
    for (const auto& [f, r] : kRows)
      rows.push_back({*FromUtf8(f, ActiveCodePage()), *FromUtf8(r, ActiveCodePage())});
    FixedRowSource source(rows);
    std::atomic<int> running{1};
    engine.Run(source, sink, errors, running);
    std::map<std::string, FileOutcome> byName;
    for (const FileOutcome& o : sink.outcomes) byName[std::string(o.src.substr(src.size() + 1))] = o;
    return byName;
  }

  TempDir tmp;
  std::string src = tmp / "src", out = tmp / "out";
  RecordingSink sink;
  RecordingErrors errors;
};

// One auto run: every file right byte for byte, each named by its encoding;
// what fits nothing, or would not come back exactly, is copied unchanged and
// reported; rows an encoding cannot hold are left out for it and said once.
TEST_P(EncodingRun, AutoConvertsEachFileInItsOwnEncoding) {
  WriteTree();
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep ? "keep line ends" : "CR LF");
    sink = RecordingSink();
    errors = RecordingErrors();
    FolderTextRunOptions opt;
    opt.encoding = EncodingChoice::Auto;
    opt.keepLineEnds = keep;
    opt.overwrite = true;
    const std::size_t compiledBefore = CompiledListsMade();
    auto done = Run(opt);
    // Once per distinct row set of the run (session, UTF-8, and ISO-2022-JP
    // without a row), never per file.
    EXPECT_LE(CompiledListsMade() - compiledBefore, 3u);
    for (const Kind& k : kKinds) {
      EXPECT_EQ(ReadBytes(out + "/" + k.file), Model(k, keep)) << k.file;
      EXPECT_EQ(done[k.file].encoding, k.label);
      EXPECT_EQ(done[k.file].action, FileAction::Converted);
    }
    EXPECT_EQ(ReadBytes(out + "/ascii.txt"), keep ? "plain ABC\n" : "plain ABC\r\n");
    EXPECT_EQ(done["ascii.txt"].encoding, "ASCII");
    EXPECT_EQ(done["iso.txt"].note.empty(), false) << "the ｶﾅ row sat out";
    EXPECT_EQ(done["utf8.txt"].note, "");
    for (const char* unchanged : {"data.dat", "junk.txt", "bad16.txt", "photo.jpg"}) {
      EXPECT_EQ(ReadBytes(out + "/" + unchanged), ReadBytes(src + "/" + unchanged)) << unchanged;
      EXPECT_EQ(done[unchanged].action, FileAction::Copied) << unchanged;
    }
    EXPECT_EQ(errors.messages.size(), 3u) << "three files reported";
    std::size_t notices = 0;
    for (const std::string& e : sink.events) notices += e.rfind("notice:", 0) == 0;
    EXPECT_EQ(notices, 1u) << "said once per run";
  }
}

INSTANTIATE_TEST_SUITE_P(BothSessions, EncodingRun, ::testing::Values(CodePage::Cp932, CodePage::Utf8));

}  // namespace
}  // namespace zv
