// The binary-extension list: entries read as the lines of the text-mode
// file, saved and read back unchanged, and the text-file test against a
// simple extension match.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "Naive.h"
#include "platform/CodePage.h"
#include "settings/BinaryExtList.h"

using zv::CodePage;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const CodePage cp = in.ConsumeBool() ? CodePage::Cp932 : CodePage::Utf8;
  zv::SetActiveCodePage(cp);
  const std::string name = in.ConsumeRandomLengthString(40);
  const std::string content = in.ConsumeRemainingBytesAsString();

  zvfuzz::MemFile file(content);
  int reports = 0;
  const zv::FileErrorReporter report = [&](const std::string&) { ++reports; };
  zv::ExtList list{"stale"};
  ZV_FUZZ_CHECK(zv::LoadBinaryExtListFrom(file.path(), list, report));
  ZV_FUZZ_CHECK(reports == 0);

  zv::ExtList want;
  // A UTF-8 mark is not part of the first entry.
  const bool bom = content.starts_with("\xEF\xBB\xBF");
  const std::string text = zvfuzz::NaiveTextModeDecode(bom ? content.substr(3) : content);
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      want.push_back(line);
      line.clear();
    } else {
      line += text[i];
    }
  }
  if (!text.empty() && text.back() != '\n') want.push_back(line);
  ZV_FUZZ_CHECK(list == want);

  // Saved: every entry followed by CR LF; read again: the same entries.
  const std::string path = zvfuzz::ScratchFolder() + "/ZentravolixExpList";
  ZV_FUZZ_CHECK(zv::SaveBinaryExtListTo(path, list, report));
  std::string saved;
  ZV_FUZZ_CHECK(zv::ReadFileBytes(path, saved).ok);
  std::string expected;
  for (const std::string& e : list) expected += e + "\r\n";
  ZV_FUZZ_CHECK(saved == expected);
  zv::ExtList again;
  ZV_FUZZ_CHECK(zv::LoadBinaryExtListFrom(path, again, report));
  // A mark at the file's start is taken as the file's, not the first entry's.
  if (list.empty() || !list[0].starts_with("\xEF\xBB\xBF")) ZV_FUZZ_CHECK(again == list);

  // An extension meets the entries in its own encoding (valid UTF-8, else
  // Shift-JIS); an entry that encoding cannot hold matches nothing.
  bool binary = false;
  const std::string ext = zvfuzz::NaiveExtension(name);
  const CodePage extCp = zv::IsValidText(ext, CodePage::Utf8) ? CodePage::Utf8 : CodePage::Cp932;
  for (const std::string& e : list) {
    const std::optional<std::string> inExt = extCp == cp ? std::optional<std::string>(e) : zv::ConvertCodePage(e, cp, extCp);
    if (!inExt) continue;
    const std::string dotted = "." + *inExt;
    binary = binary ||
             (dotted.size() == ext.size() && zvfuzz::NaiveFold(dotted, extCp) == zvfuzz::NaiveFold(ext, extCp));
  }
  ZV_FUZZ_CHECK(zv::IsTextFileWith(name, file.path(), report) == (!name.empty() && !binary));
  return 0;
}
