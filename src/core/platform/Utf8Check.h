#pragma once
// Strict UTF-8 validity (no overlong forms, surrogates or values past
// U+10FFFF) at memory speed: detection asks it of every text of a run.

#include <cstddef>
#include <string_view>

namespace zv {

bool IsStrictUtf8(std::string_view s);
// The length of the well-formed character at pos (1 to 4), 0 where none starts.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos);
// The byte-by-byte check alone, for tests to compare with.
bool IsStrictUtf8Portable(std::string_view s);

}  // namespace zv
