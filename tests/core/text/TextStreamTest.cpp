// A text converted piece by piece against the same text converted whole:
// the same bytes, counts, encodings and verdicts, with pieces of a few bytes
// so that every kind of cut is met.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/TreeFixture.h"
#include "text/FolderTextConvert.h"
#include "text/TextConvert.h"
#include "text/TextStream.h"
#include "text/TextTexts.h"

using namespace std::string_literals;

namespace zv {
namespace {

using End = StreamResult::End;

// nullopt where the encoding has no form for some character (half-width
// katakana in ISO-2022-JP).
std::optional<std::string> Encoded(const std::string& utf8, TextEncoding enc) {
  if (enc == TextEncoding::Cp932) return ConvertCodePage(utf8, CodePage::Utf8, CodePage::Cp932);
  return EncodeText(utf8, enc);
}

struct Whole {
  End end = End::Done;
  std::string bytes, enc;
  std::size_t count = 0;
};

// The whole-file conversions the two tools make.
Whole ConvertWhole(const std::string& raw, const SharedRows& rows, EncodingChoice choice, LineEndForm form) {
  Whole w;
  RowsByEncoding byEncoding;
  if (form == LineEndForm::TextMode || form == LineEndForm::AsIs) {
    const FolderTextResult r =
        ConvertFolderText(raw, rows, choice, form == LineEndForm::AsIs, CodePage::Utf8, byEncoding);
    if (r.enc) w.enc = EncodingLabel(*r.enc);
    // By text: a literal's address differs between objects where constants are not merged.
    w.end = !r.unconverted                                               ? End::Done
            : std::string_view(r.unconverted) == texts::kEncodingUnknown ? End::Unknown
                                                                         : End::NotExact;
    if (w.end == End::Done) w.bytes = WrittenBytes(r);
    w.count = r.replacements;
    return w;
  }
  EncodedText opened;
  const EncodedFailure failure = OpenEncoded(raw, choice, opened);
  if (failure != EncodedFailure::None) {
    w.end = failure == EncodedFailure::Unknown ? End::Unknown : End::NotExact;
    if (failure == EncodedFailure::NotExact) w.enc = EncodingLabel(opened.enc);
    return w;
  }
  w.enc = EncodingLabel(opened.enc);
  std::string text = SingleFileTextFromBytes(opened.text);
  w.count = ApplySharedList(text, byEncoding.For(rows, opened.as).rows, WorkingCodePage(opened.as));
  if (form == LineEndForm::JoinedLines) RemoveLineBreaks(text);
  const std::optional<std::string> bytes = CloseEncoded(opened, std::move(text));
  if (!bytes) w.end = End::NotExact;
  w.bytes = bytes.value_or("");
  return w;
}

SharedRows MakeRows(ConvertRows rows) { return std::make_shared<const ConvertRows>(std::move(rows)); }

// Texts (UTF-8, put into each encoding) that put every rule at a cut: CR LF
// pairs, lone CRs, a 0x1A in a later piece or at a piece's start, a missing
// or present last line end, multibyte characters (ISO-2022-JP shifts) next
// to the separators, rows that take line ends in.
const char* const kTexts[] = {
    "a cat\r\nb cat\r\nソフト cat\r\n",
    "cat\r\ncat\nlone\rcr\r\r\nソフト\r\n\r\nend",
    "ソフト\r\n株式 cat\x1A after ソフト cat\r\n",
    "cat cat cat\r\n\x1A",
    "株式会社 ソフト\nz cat\nzz ソフト株式\r",
    "a\rb\rc\rd\re\rf\rg\rh\rcat",
    "x\n\n\r\n\r\r\r\nxyz\n",
    "",
    "\r\n",
    "ｿﾌﾄ ｶﾌﾞｼｷ 株式 cat.\n(株) ソフト, cat; 株式 z\r\nz",
    // U+3000 puts a zero byte beside an ASCII one across UTF-16 units.
    "ソフト　 cat 株式　\r\n　ソフト　 ",
};

const TextEncoding kEncodings[] = {TextEncoding::Utf8,      TextEncoding::Cp932,   TextEncoding::EucJp,
                                   TextEncoding::Iso2022Jp, TextEncoding::Utf16Le, TextEncoding::Utf16Be};

EncodingChoice ChoiceOf(TextEncoding enc) {
  switch (enc) {
    case TextEncoding::Cp932:
      return EncodingChoice::Cp932;
    case TextEncoding::Utf8:
      return EncodingChoice::Utf8;
    case TextEncoding::EucJp:
      return EncodingChoice::EucJp;
    case TextEncoding::Iso2022Jp:
      return EncodingChoice::Iso2022Jp;
    default:
      return EncodingChoice::Utf16;
  }
}

class TextStreamTest : public ::testing::Test {
 protected:
  // Streams raw with the given piece into a fresh output and checks it
  // against the whole-file result; the end it came to.
  End Check(const std::string& raw, const SharedRows& rows, EncodingChoice choice, LineEndForm form,
            std::size_t piece, const std::string& what) {
    const std::string src = tmp / "in.txt", dst = tmp / "out.txt";
    zvtest::WriteBytes(src, raw);
    std::remove(dst.c_str());
    StreamRequest q;
    q.src = src;
    q.dst = dst;
    q.rows = rows;
    q.encoding = choice;
    q.form = form;
    q.cp = CodePage::Utf8;
    q.piece = piece;
    RowsByEncoding byEncoding;
    const StreamResult s = ConvertStreamed(q, byEncoding);
    const std::optional<std::string> written = zvtest::ReadBytes(dst);
    if (s.end == End::WholeFile) {
      EXPECT_FALSE(written) << what;
      return s.end;
    }
    const Whole w = ConvertWhole(raw, rows, choice, form);
    EXPECT_EQ(s.end, w.end) << what;
    EXPECT_EQ(s.enc ? EncodingLabel(*s.enc) : "", w.enc) << what;
    if (w.end == End::Done) {
      EXPECT_TRUE(s.write.ok) << what;
      EXPECT_EQ(written.value_or("<none>"), w.bytes) << what;
      EXPECT_EQ(s.replacements, w.count) << what;
    } else {
      EXPECT_FALSE(written) << what << ": a file that is not converted leaves no output";
    }
    return s.end;
  }

  zvtest::CodePageScope session{CodePage::Utf8};
  zvtest::TempDir tmp;
};

TEST_F(TextStreamTest, PiecesGiveTheWholeFileResultInEveryEncodingAndForm) {
  const SharedRows blind = MakeRows({{"ソフト", "ｿﾌﾄ"}, {"株式", "(株)"}, {"cat", "kitten"}, {"x", ""}});
  const SharedRows lineEnds =
      MakeRows({{"ソフト", "ｿﾌﾄ"}, {"\nz", "Z\r\n"}, {"cat\r", "\rCAT"}, {"\r\n\r", "<>"}});
  const LineEndForm forms[] = {LineEndForm::TextMode, LineEndForm::AsIs, LineEndForm::CrLfLines,
                               LineEndForm::JoinedLines};
  int streamed = 0, tinyStreamed[kTextEncodings] = {};
  for (TextEncoding enc : kEncodings) {
    for (const char* text : kTexts) {
      const std::optional<std::string> encoded = Encoded(text, enc);
      if (!encoded) continue;
      std::string raw = *encoded;
      // A mark on some: kept in front of the output.
      if (enc == TextEncoding::Utf16Be || (enc == TextEncoding::Utf8 && std::string(text).size() % 2))
        raw = (enc == TextEncoding::Utf8 ? "\xEF\xBB\xBF" : "\xFE\xFF") + raw;
      for (const SharedRows& rows : {blind, lineEnds})
        for (LineEndForm form : forms)
          for (EncodingChoice choice : {ChoiceOf(enc), EncodingChoice::Auto, EncodingChoice::System})
            for (std::size_t piece : {7, 13, 64}) {
              const std::string what =
                  EncodingLabel({enc, 0, false}) + " form " + std::to_string(static_cast<int>(form)) +
                  " choice " + EncodingChoiceWord(choice) + " piece " + std::to_string(piece) +
                  (rows == blind ? " blind rows " : " line-end rows ") + "text \"" + text + "\"";
              const End end = Check(raw, rows, choice, form, piece, what);
              if (end == End::WholeFile) {
                // Only a piece too small to hold a place to cut gives up.
                EXPECT_LT(piece, 64u) << what;
                continue;
              }
              ++streamed;
              if (piece < 64 && end == End::Done) ++tinyStreamed[static_cast<int>(enc)];
            }
    }
  }
  EXPECT_GT(streamed, 0);
  for (TextEncoding enc : kEncodings)
    EXPECT_GT(tinyStreamed[static_cast<int>(enc)], 10) << EncodingLabel({enc, 0, false});
}

// Bytes that do not come back through their encoding, or fit none, only in
// a later piece: the verdict of the whole file, and no output.
TEST_F(TextStreamTest, ALaterPieceThatDoesNotComeBackFailsTheWholeFile) {
  const SharedRows rows = MakeRows({{"cat", "dog"}});
  const std::string lines = "cat cat cat\r\ncat cat cat\r\ncat cat cat\r\n";
  const struct {
    const char* what;
    std::string raw;
    EncodingChoice choice;
  } cases[] = {
      {"EUC-JP lead without trail", lines + "\xA4 cat\r\n", EncodingChoice::EucJp},
      {"UTF-16LE lone surrogate", *Encoded(lines, TextEncoding::Utf16Le) + "\x00\xD8 \x00"s,
       EncodingChoice::Utf16},
      {"ISO-2022-JP not shifted back", lines + "\x1B$B%=\r\n", EncodingChoice::Iso2022Jp},
      {"auto: a NUL byte late", lines + "\0 cat"s, EncodingChoice::Auto},
      {"auto: fits nothing late", lines + "\xE3\x81\xFF cat\r\n", EncodingChoice::Auto},
  };
  for (const auto& c : cases)
    for (LineEndForm form : {LineEndForm::TextMode, LineEndForm::CrLfLines})
      for (std::size_t piece : {12, 32}) {
        const End end = Check(c.raw, rows, c.choice, form, piece, c.what);
        EXPECT_TRUE(end == End::NotExact || end == End::Unknown) << c.what << " piece " << piece;
      }
}

// Where nothing may end a piece the file is left to the whole-file path,
// with nothing written.
TEST_F(TextStreamTest, NoPlaceToCutLeavesTheFileWhole) {
  std::string everyAscii;
  for (int c = 0; c < 0x80; ++c) everyAscii += static_cast<char>(c);
  const SharedRows coversAll = MakeRows({{everyAscii, "-"}, {"cat", "dog"}});
  const SharedRows rows = MakeRows({{"cat", "dog"}});
  EXPECT_EQ(
      Check("cat cat\r\ncat\r\n", coversAll, EncodingChoice::Utf8, LineEndForm::TextMode, 4, "no separator"),
      End::WholeFile);
  // Only the CR is left, after which no piece ends.
  const SharedRows allButCr = MakeRows({{everyAscii.substr(0, 13) + everyAscii.substr(14), "-"}});
  EXPECT_EQ(Check("a\rb\rc\r", allButCr, EncodingChoice::Utf8, LineEndForm::AsIs, 4, "CR only"),
            End::WholeFile);
  EXPECT_EQ(Check("ソフトウェア株式会社ソフトウェア\r\n", rows, EncodingChoice::Utf8, LineEndForm::TextMode,
                  16, "a piece without a separator"),
            End::WholeFile);
  // Detection needs a byte below 0x40 in each piece too.
  EXPECT_EQ(Check("ソフトウェア株式会社ソフトウェア\r\n", rows, EncodingChoice::Auto, LineEndForm::TextMode,
                  16, "detection without a place to cut"),
            End::WholeFile);
}

// Detection part by part says what it says on the whole, wherever the parts end.
TEST(EncodingDetectorTest, PartsGiveTheWholeFileAnswer) {
  zvtest::CodePageScope session(CodePage::Utf8);
  const std::string eucKana = *EncodeText("ゼント です。\n", TextEncoding::EucJp);
  const std::string cases[] = {
      "plain text\n",
      "plain\n\x1B$B%=%U%H\x1B(B\nmore",  // an escape in the middle
      "\x1B$B%=\x1B(B\n",                 // one at the start
      std::string(30, 'a') + "\n\x1B",    // ESC at the end, no sequence
      "ascii\n" + *EncodeText("株式会社\n", TextEncoding::Utf8) + "\xE3\x81\n",  // UTF-8 broken late
      std::string("kanji \xB3\xF4\xBC\xB0\n") + eucKana,  // kana decide for EUC-JP late
      "\xB6\xCC\xDE \xBC\xB7\n\xB6\xDE\xB2\n",            // half-width katakana: CP932
      "abc\n\0def"s,                                      // NUL late
      "\xEF\xBB\xBFmarked \x80\n",                        // a mark decides at once
      "\xFF\xFE"
      "a\0\n\0"s,
  };
  for (const std::string& bytes : cases) {
    const std::optional<FileEncoding> whole = DetectEncoding(bytes);
    for (std::size_t window : {1, 2, 3, 5, 8}) {
      EncodingDetector detector;
      std::string_view rest = bytes;
      while (!rest.empty() && !detector.Decided()) {
        // The first place to cut at or after the window's end.
        std::size_t cut = 0;
        for (std::size_t w = window; cut == 0 && w < rest.size(); ++w) cut = DetectionCut(rest.substr(0, w));
        if (cut == 0) cut = rest.size();
        detector.Feed(rest.substr(0, cut));
        rest.remove_prefix(cut);
      }
      const std::optional<FileEncoding> parts = detector.Result();
      ASSERT_EQ(parts.has_value(), whole.has_value()) << bytes << " window " << window;
      if (!whole) continue;
      EXPECT_EQ(EncodingLabel(*parts), EncodingLabel(*whole)) << bytes << " window " << window;
      EXPECT_EQ(parts->bom, whole->bom) << bytes;
    }
  }
}

}  // namespace
}  // namespace zv
