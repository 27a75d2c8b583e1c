#pragma once
// Strict UTF-8 validity (no overlong forms, surrogates or values past
// U+10FFFF) at memory speed: detection asks it of every text of a run.

#include <string_view>

namespace zv {

bool IsStrictUtf8(std::string_view s);
// The byte-by-byte check alone, for tests to compare with.
bool IsStrictUtf8Portable(std::string_view s);

}  // namespace zv
