#include "text/FolderTextConvert.h"

#include "platform/File.h"
#include "text/TextConvert.h"
#include "text/TextTexts.h"

namespace zv {

FolderTextResult ConvertFolderText(std::string raw, const SharedRows& rows, EncodingChoice encoding,
                                   bool keepLineEnds, CodePage cp, RowsByEncoding& byEncoding) {
  FolderTextResult r;
  const EncodingChoice choice = encoding == EncodingChoice::System
                                    ? (cp == CodePage::Cp932 ? EncodingChoice::Cp932 : EncodingChoice::Utf8)
                                    : encoding;
  if (encoding == EncodingChoice::System && !keepLineEnds) {
    // Rows that cannot tell CR LF from LF work on a CR LF file's own bytes,
    // which spares decoding it and encoding the result.
    r.enc = FileEncoding{cp == CodePage::Cp932 ? TextEncoding::Cp932 : TextEncoding::Utf8, 0, false};
    r.text = FolderTextFromBytes(std::move(raw), RowsIgnoreLineEnds(rows), r.fileForm);
    r.replacements = ApplySharedList(r.text, rows, cp);
    return r;
  }
  EncodedText opened;
  const EncodedFailure failure = OpenEncoded(std::move(raw), choice, opened);
  if (failure != EncodedFailure::None) {
    r.unconverted = failure == EncodedFailure::Unknown ? texts::kEncodingUnknown : texts::kEncodingNotExact;
    if (failure == EncodedFailure::NotExact) r.enc = opened.enc;
    return r;
  }
  r.enc = opened.enc;
  const TextEncoding as = opened.as;
  const RowsByEncoding::Converted converted = byEncoding.For(rows, as);
  r.leftOut = converted.leftOut;
  const CodePage working = WorkingCodePage(as);
  std::string text = std::move(opened.text);
  if (keepLineEnds) {
    r.replacements = ApplySharedList(text, converted.rows, working);
  } else {
    // A decoded text goes back through its encoding as it stands, so its
    // line ends are made here rather than by the write.
    const bool keepCrLf = !IsDecoded(as) && RowsIgnoreLineEnds(converted.rows);
    text = FolderTextFromBytes(std::move(text), keepCrLf, r.fileForm);
    r.replacements = ApplySharedList(text, converted.rows, working);
    if (IsDecoded(as) && !r.fileForm) text = TextModeEncode(text);
  }
  std::optional<std::string> bytes = CloseEncoded(opened, std::move(text));
  if (!bytes) {
    r.unconverted = texts::kEncodingNotExact;
    return r;
  }
  // Written as they stand unless the write still makes the line ends.
  r.fileForm = keepLineEnds || IsDecoded(as) || r.fileForm;
  r.text = std::move(*bytes);
  return r;
}

std::string WrittenBytes(const FolderTextResult& r) { return r.fileForm ? r.text : TextModeEncode(r.text); }

}  // namespace zv
