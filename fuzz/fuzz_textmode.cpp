// Both text readers: the folder tool's text mode (CR LF as LF, 0x1A ends the
// data, a final LF added) and the single-file tool's untranslated lines.

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "Naive.h"
#include "platform/File.h"
#include "text/TextConvert.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);

  const std::string decoded = zv::TextModeDecode(raw);
  ZV_FUZZ_CHECK(decoded == zvfuzz::NaiveTextModeDecode(raw));
  std::string folder = decoded;
  if (!folder.empty() && folder.back() != '\n') folder += '\n';
  ZV_FUZZ_CHECK(zv::FolderTextFromBytes(raw) == folder);
  // A text kept in file form is the decoded text, encoded; otherwise it is decoded.
  bool kept = false;
  const std::string fileForm = zv::FolderTextFromBytes(raw, true, kept);
  ZV_FUZZ_CHECK(fileForm == (kept ? zv::TextModeEncode(folder) : folder));

  const std::string single = zv::SingleFileTextFromBytes(raw);
  ZV_FUZZ_CHECK(single == zvfuzz::NaiveSingleFileText(raw));

  // What the folder tool writes reads back as the text it wrote.
  ZV_FUZZ_CHECK(decoded.find('\x1A') == std::string::npos);
  ZV_FUZZ_CHECK(zv::TextModeDecode(zv::TextModeEncode(decoded)) == decoded);
  // The single-file text is a fixed point of its own reader.
  ZV_FUZZ_CHECK(zv::SingleFileTextFromBytes(single) == single);

  // The real readers through a file agree with the in-memory forms.
  zvfuzz::MemFile file(raw);
  std::string viaFile;
  ZV_FUZZ_CHECK(zv::ReadFolderText(file.path(), viaFile).ok);
  ZV_FUZZ_CHECK(viaFile == folder);
  ZV_FUZZ_CHECK(zv::ReadSingleFileText(file.path(), viaFile).ok);
  ZV_FUZZ_CHECK(viaFile == single);
  return 0;
}
