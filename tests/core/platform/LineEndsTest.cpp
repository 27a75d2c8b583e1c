#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/File.h"
#include "platform/LineEnds.h"

namespace zv {
namespace {

std::string DecodeByteWise(const std::string& raw) {
  std::string out;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\x1a') break;
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    out += raw[i];
  }
  return out;
}

std::string EncodeByteWise(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool EveryLfAfterCrByteWise(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  return true;
}

// Texts dense in CR and LF, with runs of them meeting the 32-byte blocks at
// every offset: CR LF split across two blocks, CR CR LF, a CR as the last
// byte, LF runs longer than a block.
TEST(LineEndsTest, BlockWalkAgreesWithByteWiseRules) {
  std::mt19937 rng(7);
  const std::string alphabet = "ab\r\n\xe3\x81\x82";
  for (int round = 0; round < 20000; ++round) {
    const std::size_t n = rng() % 140;
    std::string raw;
    const bool sparse = round % 3 == 0;
    for (std::size_t i = 0; i < n; ++i) {
      const unsigned pick = rng() % (sparse ? 40 : alphabet.size());
      raw += pick < alphabet.size() ? alphabet[pick] : 'x';
    }
    if (round % 50 == 0 && n) raw[rng() % n] = '\x1a';
    if (round % 3 == 1) {
      // Every LF after a CR, then perhaps one lone LF anywhere.
      std::string crlf;
      for (char c : raw) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
      raw = crlf;
      if (rng() % 2) raw.insert(rng() % (raw.size() + 1), 1, '\n');
    }
    ASSERT_EQ(EveryLfAfterCr(raw), EveryLfAfterCrByteWise(raw)) << "round " << round;
    ASSERT_EQ(TextModeDecode(raw), DecodeByteWise(raw)) << "round " << round;

    std::string inPlace = raw;
    TextModeDecodeInPlace(inPlace);
    ASSERT_EQ(inPlace, DecodeByteWise(raw)) << "round " << round;

    ASSERT_EQ(TextModeEncode(raw), EncodeByteWise(raw)) << "round " << round;
    ASSERT_EQ(CountLf(raw), static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n')));
  }
}

TEST(LineEndsTest, LongUniformRuns) {
  for (const std::string unit : {"\r\n", "\n", "\r", "\r\r\n", "\n\r"}) {
    std::string raw;
    while (raw.size() < 1000) raw += unit;
    EXPECT_EQ(TextModeDecode(raw), DecodeByteWise(raw));
    EXPECT_EQ(TextModeEncode(raw), EncodeByteWise(raw));
    EXPECT_EQ(EveryLfAfterCr(raw), EveryLfAfterCrByteWise(raw));
  }
}

}  // namespace
}  // namespace zv
