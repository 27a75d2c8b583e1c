#include "text/TextConvert.h"

#include "platform/LineEnds.h"
#include "text/ListMatcher.h"

namespace zv {

std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replace, CodePage cp) {
  if (find.empty() || text.size() < find.size()) return 0;
  std::size_t pos = FindOnBoundary(text, find, 0, cp);
  if (pos == std::string::npos) return 0;
  // Build the result in one pass; inserted text is never searched again, so
  // scanning the original after each occurrence is the same as rescanning.
  std::string out;
  out.reserve(replace.size() > find.size() ? text.size() + (replace.size() - find.size()) * 4 : text.size());
  std::size_t count = 0;
  std::size_t copied = 0;
  while (pos != std::string::npos) {
    out.append(text, copied, pos - copied);
    out.append(replace);
    copied = pos + find.size();
    ++count;
    pos = FindOnBoundary(text, find, copied, cp);
  }
  out.append(text, copied, std::string::npos);
  text.swap(out);
  return count;
}

std::size_t ApplyListReference(std::string& text, const ConvertRows& rows, CodePage cp) {
  std::size_t count = 0;
  for (const ConvertItem& row : rows) count += ReplaceAll(text, row.m_strFind, row.m_strReplaceWith, cp);
  return count;
}

void RemoveLineBreaks(std::string& text) {
  // Both steps are byte-level: CR and LF are never part of a double-byte character.
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') continue;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out.push_back(c);
  }
  text.swap(out);
}

std::string SingleFileTextFromBytes(std::string_view raw) {
  std::string text;
  text.reserve(raw.size() + raw.size() / 32 + 2);
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t lf = raw.find('\n', start);
    std::size_t end = lf == std::string_view::npos ? raw.size() : lf;
    std::size_t contentEnd = end;
    if (lf != std::string_view::npos && contentEnd > start && raw[contentEnd - 1] == '\r') --contentEnd;
    text.append(raw.substr(start, contentEnd - start));
    text.append("\r\n");
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  return text;
}

FileResult ReadSingleFileText(const std::string& path, std::string& text) {
  std::string raw;
  FileResult r = ReadFileBytes(path, raw);
  if (!r) return r;
  text = SingleFileTextFromBytes(raw);
  return r;
}

FileResult WriteSingleFileText(const std::string& path, std::string_view text) {
  return WriteFileAtomic(path, text, WriteMode::Untranslated);
}

std::string FolderTextFromBytes(std::string raw) {
  bool fileForm = false;
  return FolderTextFromBytes(std::move(raw), false, fileForm);
}

std::string FolderTextFromBytes(std::string raw, bool keepCrLf, bool& fileForm) {
  // TextModeDecodeInPlace in two steps, with the line-end test between them.
  CutAtTextModeEnd(raw);
  fileForm = keepCrLf && EveryLfAfterCr(raw);
  if (!fileForm) raw.resize(CrLfToLfInPlace(raw.data(), raw.size()));
  if (!raw.empty() && raw.back() != '\n') raw.append(fileForm ? "\r\n" : "\n");
  return raw;
}

FileResult ReadFolderText(const std::string& path, std::string& text) {
  std::string raw;
  FileResult r = ReadFileBytes(path, raw);
  if (!r) return r;
  text = FolderTextFromBytes(std::move(raw));
  return r;
}

FileResult WriteFolderText(const std::string& path, std::string_view text, bool fileForm) {
  // A run's output: a link found at the destination is replaced, never followed.
  return WriteFileAtomic(path, text, fileForm ? WriteMode::Untranslated : WriteMode::TextMode,
                         LinkAtTarget::Replace);
}

}  // namespace zv

namespace zv {

std::size_t ApplyList(std::string& text, const ConvertRows& rows, CodePage cp) {
  if (rows.empty() || text.empty()) return 0;
  std::size_t count = 0;
  if (ApplyCompiledList(*CompileList(rows), text, cp, count)) return count;
  return ApplyListReference(text, rows, cp);
}

bool RowsIgnoreLineEnds(const SharedRows& rows) {
  return !rows || ListIgnoresLineEnds(*CompileList(rows));
}

std::size_t ApplySharedList(std::string& text, const SharedRows& rows, CodePage cp) {
  if (!rows || rows->empty() || text.empty()) return 0;
  std::size_t count = 0;
  if (ApplyCompiledList(*CompileList(rows), text, cp, count)) return count;
  return ApplyListReference(text, *rows, cp);
}

}  // namespace zv
