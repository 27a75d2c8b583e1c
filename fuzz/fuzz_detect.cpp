// Encoding detection on any bytes: it never fails, and whenever it claims an
// encoding, the file opens in it and closes again into the very same bytes.

#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "text/TextEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (zv::CodePage session : {zv::CodePage::Cp932, zv::CodePage::Utf8}) {
    zv::SetActiveCodePage(session);
    const std::optional<zv::FileEncoding> detected = zv::DetectEncoding(bytes);
    zv::EncodedText opened;
    const zv::EncodedFailure failure = zv::OpenEncoded(bytes, zv::EncodingChoice::Auto, opened);
    ZV_FUZZ_CHECK(detected.has_value() == (failure != zv::EncodedFailure::Unknown));
    if (!detected) continue;
    // Structural validity backs every claim of the two encodings decided by it.
    if (!detected->ascii && detected->bom == 0 && detected->encoding == zv::TextEncoding::Cp932)
      ZV_FUZZ_CHECK(zv::IsStructurallyCp932(bytes));
    if (detected->encoding == zv::TextEncoding::EucJp) ZV_FUZZ_CHECK(zv::IsStructurallyEucJp(bytes));
    if (failure != zv::EncodedFailure::None) continue;  // not exact: the file is left alone
    const std::optional<std::string> back = zv::CloseEncoded(opened, opened.text);
    ZV_FUZZ_CHECK(back && *back == bytes);
  }
  return 0;
}
