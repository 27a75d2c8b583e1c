#pragma once
// Text-mode line ends on whole buffers: CR LF to LF in place, LF to CR LF
// into a buffer. Lines are short (tens of bytes), so both walk the text 32
// bytes at a time where the CPU can rather than calling memchr per line.

#include <cstddef>
#include <string_view>

namespace zv {

// CR LF -> LF over p[0, n) in place (a CR not followed by LF stays);
// returns the new length. No other byte is looked at.
std::size_t CrLfToLfInPlace(char* p, std::size_t n);

// True when every LF in text has a CR right before it.
bool EveryLfAfterCr(std::string_view text);

// Number of LF bytes in text.
std::size_t CountLf(std::string_view text);

// LF -> CR LF from text into out, which must hold text.size() + CountLf(text)
// bytes; returns the length written.
std::size_t LfToCrLf(std::string_view text, char* out);

}  // namespace zv
