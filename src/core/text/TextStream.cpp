#include "text/TextStream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "platform/LineEnds.h"
#include "text/ListMatcher.h"
#include "text/TextConvert.h"

namespace zv {

namespace {

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// Where a piece may end: right after a byte (or UTF-16 unit) of m_ends, on
// a character boundary of the file's encoding.
class Cutter {
 public:
  Cutter(const CompiledList& list, CodePage working, TextEncoding as) : m_as(as) {
    for (int c = 0; c < 256; ++c) {
      const auto b = static_cast<unsigned char>(c);
      // Decoded encodings meet the list as UTF-8, whose separators are ASCII;
      // SO and SI would shift ISO-2022-JP.
      m_ends[b] = IsChunkSeparator(list, b, working) && b != '\r' && b != 0x0E && b != 0x0F &&
                  (!IsDecoded(as) || b < 0x80);
    }
  }

  bool Any() const { return std::find(m_ends.begin(), m_ends.end(), true) != m_ends.end(); }

  // Just past the last place in b to end a piece, leaving at least one byte
  // after it; 0 when there is none.
  std::size_t Last(std::string_view b) const {
    const std::size_t n = b.size();
    if (n < 2) return 0;
    switch (m_as) {
      case TextEncoding::Utf16Le:
      case TextEncoding::Utf16Be: {
        const bool le = m_as == TextEncoding::Utf16Le;
        if (n < 3) return 0;
        // Units start at even offsets of the body; an ASCII unit is never half of a pair.
        for (std::size_t j = (n - 3) & ~std::size_t{1};; j -= 2) {
          if (At(b, le ? j + 1 : j) == 0 && m_ends[At(b, le ? j : j + 1)]) return j + 2;
          if (j == 0) return 0;
        }
      }
      case TextEncoding::Iso2022Jp:
        return LastInAsciiState(b);
      default:
        // CP932 and UTF-8 separators are characters of their own; EUC-JP's
        // (ASCII) too: its pairs are of bytes above 0x80.
        for (std::size_t i = n - 1; i > 0; --i)
          if (m_ends[At(b, i - 1)]) return i;
        return 0;
    }
  }

 private:
  // Every piece starts in ASCII state, since each ended in it.
  std::size_t LastInAsciiState(std::string_view b) const {
    const std::size_t n = b.size();
    std::size_t last = 0;
    bool ascii = true;
    for (std::size_t i = 0; i < n;) {
      const unsigned char c = At(b, i);
      if (c == 0x1B) {
        if (i + 2 >= n) break;
        const bool four = b[i + 1] == '$' && b[i + 2] == '(';
        ascii = b[i + 1] == '(' && b[i + 2] == 'B';
        i += four ? 4 : 3;
        continue;
      }
      if (ascii && m_ends[c] && i + 1 < n) last = i + 1;
      ++i;
    }
    return last;
  }

  std::array<bool, 256> m_ends{};
  TextEncoding m_as;
};

// One piece after another from the file's bytes (after the mark) to the
// bytes to write, as the whole-file conversion turns the whole.
class Pieces {
 public:
  Pieces(LineEndForm form, TextEncoding as, SharedRows rows, CodePage working)
      : m_form(form), m_as(as), m_rows(std::move(rows)), m_working(working) {
    // As FolderTextFromBytes: rows blind to line ends may work on CR LF text.
    m_keepCrLf = !IsDecoded(as) && RowsIgnoreLineEnds(m_rows);
  }

  // nullopt: the piece does not come back through its encoding.
  std::optional<std::string> Convert(std::string_view piece, bool last) {
    if (m_ended && !IsDecoded(m_as)) return std::string();  // past a 0x1A nothing is looked at
    std::string text;
    if (IsDecoded(m_as)) {
      std::optional<std::string> decoded = DecodeExactly(piece, m_as);
      if (!decoded) return std::nullopt;
      text = std::move(*decoded);
    } else {
      text.assign(piece);
    }
    switch (m_form) {
      case LineEndForm::TextMode:
        if (m_ended) return std::string();  // past a 0x1A a decoded piece is only checked
        TextMode(text, last);
        break;
      case LineEndForm::AsIs:
        m_count += ApplySharedList(text, m_rows, m_working);
        break;
      case LineEndForm::CrLfLines:
      case LineEndForm::JoinedLines: {
        std::string lines = SingleFileTextFromBytes(text);
        // Only the file's last line gains a line end it did not have.
        if (!last && !text.empty() && text.back() != '\n') lines.resize(lines.size() - 2);
        m_count += ApplySharedList(lines, m_rows, m_working);
        if (m_form == LineEndForm::JoinedLines) RemoveLineBreaks(lines);
        text = std::move(lines);
        break;
      }
    }
    if (!IsDecoded(m_as)) return text;
    return EncodeText(text, m_as);
  }

  std::size_t Count() const { return m_count; }

 private:
  // FolderTextFromBytes, the rows and the text-mode write. A piece whose
  // every LF follows a CR stays in file form where the rows allow (the
  // same bytes either way); the text's final line end is added to the piece
  // that ends it, or on its own after a piece that ended on a separator.
  void TextMode(std::string& text, bool last) {
    if (const void* eof = std::memchr(text.data(), 0x1A, text.size())) {
      text.resize(static_cast<std::size_t>(static_cast<const char*>(eof) - text.data()));
      m_ended = true;
    }
    const bool fileForm = m_keepCrLf && EveryLfAfterCr(text);
    if (!fileForm) text.resize(CrLfToLfInPlace(text.data(), text.size()));
    if (m_ended || last) {
      const bool any = m_any || !text.empty();
      const char end = text.empty() ? m_last : text.back();
      if (any && end != '\n') text.append(fileForm ? "\r\n" : "\n");
    }
    if (!text.empty()) {
      m_any = true;
      m_last = text.back();
    }
    m_count += ApplySharedList(text, m_rows, m_working);
    if (!fileForm) text = TextModeEncode(text);
  }

  LineEndForm m_form;
  TextEncoding m_as;
  SharedRows m_rows;
  CodePage m_working;
  bool m_keepCrLf = false;
  bool m_ended = false;  // a 0x1A ended the text
  bool m_any = false;    // some text so far
  char m_last = 0;       // its last byte
  std::size_t m_count = 0;
};

// Reads until buf holds window bytes or the file ends.
FileResult Fill(FileReader& in, std::string& buf, std::size_t window, bool& eof) {
  while (!eof && buf.size() < window) {
    std::size_t got = 0;
    if (FileResult r = in.Read(buf, window - buf.size(), got); !r) return r;
    eof = got == 0;
  }
  return FileResult::Ok();
}

// A pass of detection over the whole file, part by part. False when a
// window holds no place to end a part.
bool DetectStreamed(FileReader& in, std::size_t window, std::optional<FileEncoding>& enc, FileResult& read) {
  EncodingDetector detector;
  std::string buf;
  bool eof = false;
  while (!detector.Decided()) {
    if (read = Fill(in, buf, window, eof); !read) return true;
    const std::size_t cut = eof ? buf.size() : DetectionCut(buf);
    if (cut == 0 && !eof) return false;
    detector.Feed(std::string_view(buf).substr(0, cut));
    buf.erase(0, cut);
    if (eof) break;
  }
  enc = detector.Result();
  return true;
}

StreamResult ConvertPieces(const StreamRequest& q, RowsByEncoding& byEncoding) {
  using End = StreamResult::End;
  StreamResult res;
  const std::size_t window = std::max<std::size_t>(q.piece, 4);  // a mark and a unit after it
  FileReader in;
  if (res.read = in.Open(q.src); !res.read) {
    res.end = End::ReadFailed;
    return res;
  }
  std::string buf;
  bool eof = false;
  const bool folder = q.form == LineEndForm::TextMode || q.form == LineEndForm::AsIs;
  const bool plain = folder && q.encoding == EncodingChoice::System && q.form == LineEndForm::TextMode;
  // The folder tool reads the System choice as the code page's own (a mark kept).
  EncodingChoice choice = q.encoding;
  if (folder && choice == EncodingChoice::System)
    choice = q.cp == CodePage::Cp932 ? EncodingChoice::Cp932 : EncodingChoice::Utf8;
  if (plain) {
    res.enc = FileEncoding{q.cp == CodePage::Cp932 ? TextEncoding::Cp932 : TextEncoding::Utf8, 0, false};
  } else if (choice == EncodingChoice::Auto) {
    if (!DetectStreamed(in, window, res.enc, res.read)) {
      res.end = End::WholeFile;
      return res;
    }
    if (res.read) res.read = in.Rewind();
    if (!res.read) {
      res.end = End::ReadFailed;
      return res;
    }
    if (!res.enc) {
      res.end = End::Unknown;
      return res;
    }
  } else {
    if (res.read = Fill(in, buf, window, eof); !res.read) {
      res.end = End::ReadFailed;
      return res;
    }
    res.enc = EncodingFor(choice, buf);
  }

  const TextEncoding as = plain || !res.enc->ascii ? res.enc->encoding : SessionEncoding();
  SharedRows rows = q.rows;
  if (!plain) {
    RowsByEncoding::Converted converted = byEncoding.For(q.rows, as);
    rows = std::move(converted.rows);
    res.leftOut = std::move(converted.leftOut);
  }
  const CodePage working = plain ? q.cp : WorkingCodePage(as);
  static const ConvertRows kNoRows;
  const Cutter cutter(*CompileList(rows ? *rows : kNoRows), working, as);
  if (!cutter.Any()) {
    res.end = End::WholeFile;
    return res;
  }

  // A write that cannot begin or fails midway ends the file there: reading
  // on to learn whether a later piece would not have come back costs the
  // whole file (a sparse one could be a petabyte), for a failure all the same.
  std::unique_ptr<PartWriter> out;
  if (!q.dst.empty()) {
    out = std::make_unique<PartWriter>(q.dst, q.link);
    if (res.write = out->Begin(in.Holds(q.dst)); !res.write) return res;
  }
  auto write = [&](std::string_view bytes) {
    if (out && !bytes.empty()) res.write = out->Write(bytes);
    return res.write.ok;
  };

  if (res.read = Fill(in, buf, window, eof); !res.read) {
    res.end = End::ReadFailed;
    return res;
  }
  const std::size_t mark = plain ? 0 : std::min(res.enc->bom, buf.size());
  if (!write(std::string_view(buf).substr(0, mark))) return res;
  buf.erase(0, mark);

  Pieces pieces(q.form, as, rows, working);
  bool exact = true;
  for (;;) {
    if (res.read = Fill(in, buf, window, eof); !res.read) {
      res.end = End::ReadFailed;
      return res;
    }
    if (!exact) {
      // Read on: a failing read still says more than the encoding.
      buf.clear();
      if (eof) break;
      continue;
    }
    const std::size_t cut = eof ? buf.size() : cutter.Last(buf);
    if (cut == 0 && !eof) {
      res.end = End::WholeFile;
      return res;
    }
    std::optional<std::string> bytes = pieces.Convert(std::string_view(buf).substr(0, cut), eof);
    if (!bytes) {
      exact = false;
      out.reset();
    } else if (!write(*bytes)) {
      res.replacements = pieces.Count();
      return res;
    }
    buf.erase(0, cut);
    if (eof) break;
  }
  if (!exact) {
    res.end = End::NotExact;
    return res;
  }
  res.replacements = pieces.Count();
  if (out) res.write = out->Commit();
  return res;
}

}  // namespace

StreamResult ConvertStreamed(const StreamRequest& q, RowsByEncoding& byEncoding) {
  // Out of memory fails the file like any read, whoever asks.
  try {
    return ConvertPieces(q, byEncoding);
  } catch (const std::bad_alloc&) {
    StreamResult res;
    res.end = StreamResult::End::ReadFailed;
    res.read = FileResult::Fail(FileOp::Read, ENOMEM, q.src);
    return res;
  }
}

}  // namespace zv
