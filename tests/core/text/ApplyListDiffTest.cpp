// The fast list engine against the row-by-row reference on random lists and
// texts: overlapping, chaining, shadowing, deleting and multibyte rows, and
// Shift-JIS trail-byte traps.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "text/ListMatcher.h"
#include "text/TextConvert.h"

namespace zv {
namespace {

struct Alphabet {
  std::vector<std::string> atoms;
};

// Small alphabets make rows collide with the text and with each other.
Alphabet MakeAlphabet(CodePage cp) {
  Alphabet a;
  a.atoms = {"a", "b", "c", "ab", " ", "\n", "\r\n", ",", "\\", "|", "A", "@"};
  if (cp == CodePage::Cp932) {
    // ソ 0x83 0x5C, ポ 0x83 0x7C, 表 0x95 0x5C, ア 0x83 0x41, lone lead bytes,
    // half-width katakana and runs of lead-capable bytes.
    for (const char* s : {"\x83\x5c", "\x83\x7c", "\x95\x5c", "\x83\x41", "\x83", "\x95", "\xb1", "\x81\x81",
                          "\xe0\x40", "\x88\x9f"})
      a.atoms.emplace_back(s);
  } else {
    for (const char* s : {"\xe3\x81\x82", "\xe3\x81", "\x81", "\x82", "\xc3\xa9", "\xef\xbc\xa1", "\xe6\x97\xa5",
                          "\xf0\x9f\x98\x80"})
      a.atoms.emplace_back(s);
  }
  return a;
}

class Generator {
 public:
  Generator(CodePage cp, unsigned seed) : m_alpha(MakeAlphabet(cp)), m_rng(seed) {}
  Generator(Alphabet alpha, unsigned seed) : m_alpha(std::move(alpha)), m_rng(seed) {}

  std::string Text(int maxAtoms) {
    std::string s;
    const int n = Uniform(0, maxAtoms);
    for (int i = 0; i < n; ++i) s += m_alpha.atoms[m_rng() % m_alpha.atoms.size()];
    return s;
  }

  // deletions: some rows delete their search string.
  ConvertRows Rows(int maxRows, bool deletions = true) {
    ConvertRows rows;
    const int n = Uniform(1, maxRows);
    for (int i = 0; i < n; ++i) {
      ConvertItem item;
      // Often reuse an earlier row's strings so that rows chain and shadow.
      if (!rows.empty() && Uniform(0, 3) == 0) {
        const ConvertItem& prev = rows[m_rng() % rows.size()];
        item.m_strFind = Uniform(0, 1) ? prev.m_strReplaceWith : prev.m_strFind;
      }
      if (item.m_strFind.empty()) item.m_strFind = Text(3);
      if (item.m_strFind.empty()) item.m_strFind = "a";
      const int kind = Uniform(0, 5);
      if (kind == 0 && deletions) item.m_strReplaceWith.clear();  // deletion joins neighbours
      else if (kind == 1) item.m_strReplaceWith = item.m_strFind + Text(1);  // grows, contains itself
      else item.m_strReplaceWith = Text(3);
      rows.push_back(std::move(item));
    }
    return rows;
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

 private:
  Alphabet m_alpha;
  std::mt19937 m_rng;
};

std::string DumpRows(const ConvertRows& rows) {
  std::string dump;
  for (const auto& r : rows) dump += "[" + r.m_strFind + "] -> [" + r.m_strReplaceWith + "]\n";
  return dump;
}

void CheckAgainstReference(CodePage cp, unsigned seed, int cases, int maxRows, int maxTextAtoms,
                           const Alphabet* alpha = nullptr, bool deletions = true) {
  Generator gen = alpha ? Generator(*alpha, seed) : Generator(cp, seed);
  for (int c = 0; c < cases; ++c) {
    ConvertRows rows = gen.Rows(maxRows, deletions);
    if (!deletions)
      for (ConvertItem& r : rows)
        if (r.m_strReplaceWith.empty()) r.m_strReplaceWith = "d";
    const std::string text = gen.Text(maxTextAtoms);
    std::string ref = text, fast = text;
    const std::size_t nref = ApplyListReference(ref, rows, cp);
    const std::size_t nfast = ApplyList(fast, rows, cp);
    if (fast != ref || nfast != nref) {
      FAIL() << "seed " << seed << " case " << c << "\nrows:\n" << DumpRows(rows) << "text: [" << text << "]\nref: [" << ref
             << "]\nfast: [" << fast << "]";
    }
  }
}

TEST(ApplyListDifferential, ShortListsOnShortTexts) {
  CheckAgainstReference(CodePage::Cp932, 1, 3000, 6, 30);
  CheckAgainstReference(CodePage::Utf8, 2, 3000, 6, 30);
}

TEST(ApplyListDifferential, LongListsUseRescansAndOverlapTables) {
  // More than a handful of candidate rows per change forces chunk rescans.
  CheckAgainstReference(CodePage::Cp932, 3, 300, 60, 200);
  CheckAgainstReference(CodePage::Utf8, 4, 300, 60, 200);
}

TEST(ApplyListDifferential, LongTextsWithManyChunks) {
  CheckAgainstReference(CodePage::Cp932, 5, 40, 20, 3000);
  CheckAgainstReference(CodePage::Utf8, 6, 40, 20, 3000);
}

TEST(ApplyListDifferential, LongChunksBetweenRareSeparators) {
  // Chunk ends are looked for 32 bytes at a time once a chunk runs past a
  // few bytes: separators a few dozen to a few hundred bytes apart, before
  // and after the occurrences.
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    Generator gen(cp, 11);
    std::mt19937 rng(12);
    const std::vector<std::string> atoms =
        cp == CodePage::Cp932 ? std::vector<std::string>{"a", "b", "ab", "\x83\x5c", "\x95", "\x88\x9f"}
                              : std::vector<std::string>{"a", "b", "ab", "\xe3\x81\x82", "\xc3\xa9", "\x81"};
    for (int c = 0; c < 200; ++c) {
      std::string text;
      const int gap = 20 + static_cast<int>(rng() % 200);
      for (int i = 0; i < 1500; ++i) text += i % gap == gap - 1 ? (rng() % 2 ? " " : "\n") : atoms[rng() % atoms.size()];
      const ConvertRows rows = gen.Rows(6);
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      const std::size_t nfast = ApplyList(fast, rows, cp);
      ASSERT_EQ(fast, ref) << "case " << c;
      ASSERT_EQ(nfast, nref) << "case " << c;
    }
  }
}

TEST(ApplyListDifferential, ChunkEndsFarFromTheOccurrences) {
  // A replacement forms a search string with bytes that lie dozens of bytes
  // away, next to the separators: the chunk must reach exactly to them.
  const std::string filler = [] {
    std::string f;
    for (int i = 0; i < 22; ++i) f += "ab";
    return f;
  }();
  // More filler beyond the separators, so that they fall inside the blocks
  // looked at 32 bytes at a time.
  const std::string beyond = filler.substr(0, 40);
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    std::string ahead = beyond + " " + filler + "x " + beyond;
    ApplyList(ahead, {{"x", "y"}, {filler + "y", "Q"}}, cp);
    EXPECT_EQ(ahead, beyond + " Q " + beyond);
    std::string behind = beyond + " x" + filler + "z " + beyond;
    ApplyList(behind, {{"x", "y"}, {"y" + filler + "z", "Q"}}, cp);
    EXPECT_EQ(behind, beyond + " Q " + beyond);
  }
}

TEST(ApplyListDifferential, ChunksWithThousandsOfOccurrences) {
  // One chunk (no separator byte anywhere) holding more occurrences than the
  // engine keeps from its scan; in Shift-JIS the \x83 runs shift boundaries.
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    std::string text;
    for (int i = 0; i < 6000; ++i) text += i % 7 == 0 ? "\x83\x83xab" : "xab";
    const ConvertRows rows = {{"ab", "b"}, {"xb", "Q"}, {"\x83x", "ab"}, {"Qx", "xQ"}};
    std::string ref = text;
    const std::size_t nref = ApplyListReference(ref, rows, cp);
    const std::size_t nfast = ApplyList(text, rows, cp);
    EXPECT_EQ(text, ref);
    EXPECT_EQ(nfast, nref);
  }
}

TEST(ApplyListDifferential, SeparatorBytesInsideSearchStrings) {
  // Rows that contain the line end and the blank take those bytes out of the
  // separator set; the chunks then grow.
  const CodePage cp = CodePage::Cp932;
  ConvertRows rows = {{"\r\n", ""}, {" a", "\n"}, {"\x83", "x"}, {"x\\", "\\\\"}, {"\\\\", "\x83"}};
  std::string text = "a b\r\nc \x83\x5c a\r\n\x83 \\ \x95\x5c\r\n";
  std::string ref = text;
  ApplyListReference(ref, rows, cp);
  ApplyList(text, rows, cp);
  EXPECT_EQ(text, ref);
}

// Texts made almost only of lead bytes and of bytes that are trail bytes
// inside characters and ASCII outside them: most occurrences start inside a
// character, and a change before one moves it onto a boundary or off it.
TEST(ApplyListDifferential, OccurrencesInsideCharacters) {
  const Alphabet sjis{{"\x83", "\x5c", "a", "\x95\x5c", "\x81", "\x83\x41", "|", " "}};
  CheckAgainstReference(CodePage::Cp932, 21, 2500, 5, 14, &sjis);
  const Alphabet utf8{{"\xe3", "\x81", "\x82", "\xe3\x81\x82", "a", " "}};
  CheckAgainstReference(CodePage::Utf8, 22, 1200, 5, 14, &utf8);
}

// Rows of whole characters keep boundaries, so the Shift-JIS scan leaves
// out occurrences inside characters; lone lead bytes and lead runs in the
// texts put many occurrences there. Rows with a lone lead byte or a
// character cut in two move boundaries and need every occurrence.
TEST(ApplyListDifferential, WholeCharacterRowsOnTextsWithLeadRuns) {
  const std::vector<std::string> whole = {"\x83\x5c", "\x95\x5c", "\x81\x81", "\x88\x9f", "\x83\x41",
                                          "\x83\x83", "\\", "a", "\xb1"};
  Alphabet texts{whole};
  for (const char* s : {"\x83", "\x95", "\x81", " ", "\x5c"}) texts.atoms.emplace_back(s);
  Alphabet broken{whole};
  for (const char* s : {"\x83", "\x5c\x83", "1"}) broken.atoms.emplace_back(s);
  for (const bool brokenRows : {false, true}) {
    Generator rowGen(brokenRows ? broken : Alphabet{whole}, 31 + brokenRows), textGen(texts, 33);
    int keeping = 0;
    for (int c = 0; c < 2500; ++c) {
      const ConvertRows rows = rowGen.Rows(6);
      const std::string original = textGen.Text(40);
      keeping += ListKeepsCp932Boundaries(*CompileList(rows));
      std::string ref = original, fast = original;
      const std::size_t nref = ApplyListReference(ref, rows, CodePage::Cp932);
      const std::size_t nfast = ApplyList(fast, rows, CodePage::Cp932);
      if (fast != ref || nfast != nref) {
        FAIL() << "case " << c << "\nrows:\n" << DumpRows(rows) << "text: [" << original << "]";
      }
    }
    if (brokenRows) EXPECT_LT(keeping, 2000);
    else EXPECT_EQ(keeping, 2500);
  }
  // A search string that starts with a byte that cannot be a trail leaves
  // the lead byte before it alone. A replacement of lead-capable bytes only
  // pairs with that lead, and the a after it, a trail before, comes onto a
  // boundary.
  const ConvertRows rows = {{"1\x83", "\x83"}, {"a", "X"}};
  std::string text = "\x83" "1\x83" "a";
  ApplyList(text, rows, CodePage::Cp932);
  EXPECT_EQ(text, "\x83\x83X");
  EXPECT_FALSE(ListKeepsCp932Boundaries(*CompileList(rows)));
}

// Without deletions, chunks where several rows' strings occur apart from
// each other go straight to the output unless an insertion may form a
// later row's string, alone or with its neighbours. Few letters and
// characters make that happen often, on either side of an insertion, with
// the neighbour replaced by an earlier or a later row.
TEST(ApplyListDifferential, ChunksOfSeveralRowsWithoutDeletions) {
  const Alphabet sjis{{"a", "b", "c", "d", " ", "\x83\x5c", "\x83\x41", "\x95\x5c", "\x83", "\x5c", "\x41"}};
  CheckAgainstReference(CodePage::Cp932, 41, 4000, 8, 30, &sjis, false);
  const Alphabet utf8{{"a", "b", "c", "d", " ", "\xe3\x81\x82", "\xe6\x97\xa5", "\xe3\x81", "\x82"}};
  CheckAgainstReference(CodePage::Utf8, 42, 4000, 8, 30, &utf8, false);
  // Letters only: every row takes that way, one chunk per text.
  const Alphabet letters{{"a", "b", "c", "ab"}};
  CheckAgainstReference(CodePage::Utf8, 43, 6000, 5, 12, &letters, false);
  // "PQ" forms from an insertion and the start of a later row's occurrence,
  // before that row replaces it.
  std::string text = "XQz";
  EXPECT_EQ(ApplyList(text, {{"X", "P"}, {"PQ", "J"}, {"Qz", "W"}}, CodePage::Utf8), 2u);
  EXPECT_EQ(text, "Jz");
  // The formed "PP" starts before the row's own occurrence and wins over it.
  text = "XPP";
  EXPECT_EQ(ApplyList(text, {{"X", "P"}, {"PP", "J"}}, CodePage::Utf8), 2u);
  EXPECT_EQ(text, "JP");
}

// Rows that form nothing later replace their occurrences on their own until
// an occurrence in the same chunk needs the chunk; those replacements are
// then taken back. Long texts with many such meetings make a text stop
// replacing on its own part way through.
TEST(ApplyListDifferential, OccurrencesReplacedOnTheirOwn) {
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    const std::string wide = cp == CodePage::Cp932 ? "\x83\x5c" : "\xe3\x81\x82";
    const std::string inside = cp == CodePage::Cp932 ? "\x5c" : "\x81";
    const Alphabet alpha{{"a", "b", "ab", "\\", "\\\\", " ", "\n", wide, inside, "Z"}};
    Generator gen(alpha, cp == CodePage::Cp932 ? 51 : 52);
    for (int c = 0; c < 300; ++c) {
      ConvertRows rows = gen.Rows(5);
      // Last rows whose replacements no later row looks for.
      rows.push_back({"\\", "Z"});
      rows.push_back({inside, "W"});
      rows.push_back({wide, "V"});
      const std::string text = gen.Text(c % 10 == 0 ? 6000 : 60);
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      const std::size_t nfast = ApplyList(fast, rows, cp);
      ASSERT_EQ(fast, ref) << "case " << c;
      ASSERT_EQ(nfast, nref) << "case " << c;
    }
    // More occurrences without a separator between them than are logged, and
    // at the end one whose row forms the others' string.
    std::string text(5000, '\\');
    text += "ab";
    const ConvertRows rows = {{"ab", "\\"}, {"\\", "Z"}};
    std::string ref = text;
    const std::size_t nref = ApplyListReference(ref, rows, cp);
    EXPECT_EQ(ApplyList(text, rows, cp), nref);
    EXPECT_EQ(text, ref);
  }
}

// A chunk's result is remembered by its bytes for its list and code page:
// the same words in many texts, under two lists in turn, in both code pages.
TEST(ApplyListDifferential, RepeatedChunksUnderSeveralListsAndCodePages) {
  Generator gen(CodePage::Cp932, 61);
  for (int c = 0; c < 200; ++c) {
    std::vector<std::string> words;
    for (int k = 0; k < 6; ++k) words.push_back(gen.Text(4));
    const ConvertRows lists[2] = {gen.Rows(6), gen.Rows(6)};
    for (int t = 0; t < 8; ++t) {
      std::string text;
      for (int k = 0; k < 40; ++k) text += words[static_cast<std::size_t>(gen.Uniform(0, 5))] + " ";
      const CodePage cp = t % 2 ? CodePage::Utf8 : CodePage::Cp932;
      const ConvertRows& rows = lists[(t / 2) % 2];
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      ASSERT_EQ(ApplyList(fast, rows, cp), nref) << "case " << c << " text " << t;
      ASSERT_EQ(fast, ref) << "case " << c << " text " << t << "\nrows:\n" << DumpRows(rows);
    }
  }
}

// Remembered chunks are told apart by every byte: thousands of words that
// share their start and end and differ in a few bytes at one place (the
// second eight bytes, or further in), each seen twice, where a word's result
// depends on the differing bytes.
TEST(ApplyListDifferential, RememberedChunksDifferingInTheMiddle) {
  struct Case {
    std::size_t size, at;  // word length, where its four differing bytes lie
  };
  const ConvertRows rows = {{"x", "y"}, {"ya", "Q"}};  // "x" before "a" needs its chunk
  for (const Case c : {Case{20, 8}, Case{24, 12}, Case{30, 16}, Case{44, 30}}) {
    std::string text;
    for (int k = 0; k < 3000; ++k) {
      std::string word(c.size, 'a');
      for (int b = 0, v = k; b < 4; ++b, v /= 6) word[c.at + static_cast<std::size_t>(b)] = "xyzabc"[v % 6];
      text += word + " " + word + "\n";
    }
    for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      ASSERT_EQ(ApplyList(fast, rows, cp), nref) << c.size << " " << c.at;
      ASSERT_EQ(fast, ref) << c.size << " " << c.at;
    }
  }
}

// Lists of codes as product catalogues hold them: thousands of rows whose
// search strings share their start and are prefixes of each other, in any
// order, over texts of codes separated by blanks (a chunk per code) or run
// together (one chunk, done in pieces). Some replacements form other codes,
// across the codes' ends too, or delete.
struct CodeCase {
  const char* name;
  int rows;
  bool joined;       // no separator between the codes
  int forming;       // one row in this many has a replacement that is a code again (0: none)
  bool deletions;
};

std::string CodeText(std::mt19937& rng, int codes, bool joined, CodePage cp) {
  const std::string wide = cp == CodePage::Cp932 ? "\x95\x5c" : "\xe8\xa1\xa8";  // 表
  std::string text;
  for (int i = 0; i < codes; ++i) {
    if (rng() % 50 == 0) text += wide;  // a character whose trail byte is a backslash in Shift-JIS
    text += "IT";
    if (rng() % 40 != 0) text += "EM-";  // now and then a code cut short
    text += std::to_string(rng() % 3000);
    if (!joined) text += rng() % 9 == 0 ? "\n" : " ";
  }
  return text;
}

ConvertRows CodeRows(std::mt19937& rng, const CodeCase& c) {
  ConvertRows rows;
  for (int k = 0; k < c.rows; ++k) rows.push_back({"ITEM-" + std::to_string(k), "PRODUCT-" + std::to_string(k)});
  std::shuffle(rows.begin(), rows.end(), rng);
  for (ConvertItem& row : rows) {
    if (c.forming && rng() % static_cast<unsigned>(c.forming) == 0)
      row.m_strReplaceWith = rng() % 2 ? "ITEM-" + std::to_string(rng() % 300) : "M-" + std::to_string(rng() % 30);
    else if (c.deletions && rng() % 200 == 0)
      row.m_strReplaceWith.clear();
  }
  return rows;
}

TEST(ApplyListDifferential, LongListsOfCodesWithSharedPrefixes) {
  const CodeCase cases[] = {
      {"apart, forming nothing", 3000, false, 0, false},
      {"joined, forming nothing", 3000, true, 0, false},
      {"apart, some forming", 3000, false, 25, false},
      {"joined, some forming", 2500, true, 25, false},
      {"joined, a few forming", 2500, true, 600, false},
      {"joined, deletions", 2500, true, 0, true},
      {"a short list, joined", 40, true, 0, false},
  };
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    std::mt19937 rng(71);
    for (const CodeCase& c : cases) {
      const ConvertRows rows = CodeRows(rng, c);
      // Joined: more occurrences than a chunk keeps, so the chunk goes in pieces.
      const std::string text = CodeText(rng, c.joined ? 6000 : 2500, c.joined, cp);
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      const std::size_t nfast = ApplyList(fast, rows, cp);
      ASSERT_EQ(nfast, nref) << c.name;
      ASSERT_TRUE(fast == ref) << c.name;  // (not printed: long)
    }
  }
}

// A chunk with more occurrences than it keeps goes in pieces, cut at the
// start of an occurrence. What happens at a cut: a later row's string formed
// across it from the left or the right, occurrences that overlap the
// occurrence a cut would start at, and a cut that would fall inside a
// Shift-JIS character (表 is 0x95 0x5C; the row with the lone lead byte keeps
// the scan from leaving out occurrences inside characters).
TEST(ApplyListDifferential, ChunksDoneInPieces) {
  struct Case {
    const char* name;
    ConvertRows rows;
    std::string unit, atCut, tail;
  };
  const Case cases[] = {
      {"formed across a cut, from the left", {{"x", "P"}, {"yP", "Q"}, {"zzzz", "w"}}, "xz", "yx", "zx"},
      {"formed across a cut, from the right", {{"x", "P"}, {"Py", "Q"}, {"yq", "R"}, {"zzzz", "w"}}, "zx", "yq", "zx"},
      {"no cut inside a character", {{"\\", "/"}, {"\x83", "Z"}}, "\x95\x5c", "\x95\x5c", "\x95\x5c"},
      {"no cut inside an occurrence", {{"aa", "X"}, {"ab", "Y"}}, "aaab", "aaab", "aaab"},
  };
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    for (const Case& c : cases) {
      // The cut comes after the 4096th occurrence; a few counts around it.
      for (int before = 4090; before <= 4100; ++before) {
        std::string text;
        for (int k = 0; k < before; ++k) text += c.unit;
        text += c.atCut;
        for (int k = 0; k < 20; ++k) text += c.tail;
        std::string ref = text, fast = text;
        const std::size_t nref = ApplyListReference(ref, c.rows, cp);
        const std::size_t nfast = ApplyList(fast, c.rows, cp);
        ASSERT_EQ(nfast, nref) << c.name << ", " << before;
        ASSERT_TRUE(fast == ref) << c.name << ", " << before;
      }
    }
  }
}

// Rows whose search strings are prefixes, suffixes or substrings of each other
// occur at the same places: the list's order decides which one a place
// goes to, and what the others see afterwards.
TEST(ApplyListDifferential, RowsThatContainEachOther) {
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    const std::string wide = cp == CodePage::Cp932 ? "\x83\x5c" : "\xe3\x81\x82";
    const Alphabet alpha{{"a", "b", "ab", "ba", wide, "c"}};
    Generator gen(alpha, cp == CodePage::Cp932 ? 81 : 82);
    std::mt19937 rng(83);
    for (int c = 0; c < 2000; ++c) {
      ConvertRows rows;
      std::string base = gen.Text(4);
      if (base.empty()) base = "ab";
      for (int k = gen.Uniform(2, 8); k > 0; --k) {
        std::string f = base;
        switch (rng() % 3) {
          case 0:
            f = base.substr(0, 1 + rng() % base.size());  // a prefix
            break;
          case 1:
            f = base.substr(rng() % base.size());  // a suffix
            break;
          default:
            f = base + gen.Text(2);  // longer
        }
        rows.push_back({f, c % 3 == 0 ? gen.Text(3) : "X" + std::to_string(k)});
      }
      std::string text;
      for (int k = gen.Uniform(1, 30); k > 0; --k) text += rng() % 3 ? base : gen.Text(3);
      std::string ref = text, fast = text;
      const std::size_t nref = ApplyListReference(ref, rows, cp);
      const std::size_t nfast = ApplyList(fast, rows, cp);
      if (fast != ref || nfast != nref) {
        FAIL() << "case " << c << "\nrows:\n" << DumpRows(rows) << "text: [" << text << "]\nref: [" << ref << "]\nfast: [" << fast
               << "]";
      }
    }
  }
}

TEST(ApplyListDifferential, RowsWithoutSearchStringsAndUnmatchedLists) {
  std::string text = "nothing to see\n";
  EXPECT_EQ(ApplyList(text, {{"", "x"}, {"zzz", "y"}}, CodePage::Utf8), 0u);
  EXPECT_EQ(text, "nothing to see\n");
}

TEST(ApplyListDifferential, CompiledListsAreSharedByContent) {
  const ConvertRows rows = {{"a", "b"}};
  EXPECT_EQ(CompileList(rows).get(), CompileList(ConvertRows{{"a", "b"}}).get());
  EXPECT_NE(CompileList(rows).get(), CompileList(ConvertRows{{"a", "c"}}).get());
}

// The folder tool keeps a CR LF file in its own form when no row holds a
// line end: the result must be the decoded text's result, encoded.
TEST(ApplyListDifferential, CrLfFilesKeptInFileForm) {
  for (const CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    Generator gen(cp, 11);
    int fileForm = 0, changed = 0;
    for (int c = 0; c < 1200; ++c) {
      const auto rows = std::make_shared<const ConvertRows>(gen.Rows(6));
      std::string raw = gen.Text(40);
      if (gen.Uniform(0, 3) != 0) {
        // Every LF after a CR, with lone CRs and a text-mode end of file now and then.
        std::string crlf;
        for (std::size_t i = 0; i < raw.size(); ++i) {
          if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) crlf += '\r';
          crlf += raw[i];
        }
        raw = crlf;
        auto anywhere = [&] { return static_cast<std::size_t>(gen.Uniform(0, static_cast<int>(raw.size()))); };
        if (gen.Uniform(0, 4) == 0) raw.insert(anywhere(), "\r");
        if (gen.Uniform(0, 9) == 0) raw.insert(anywhere(), "\x1a");
      }
      std::string decoded = FolderTextFromBytes(raw);
      const std::size_t nref = ApplyListReference(decoded, *rows, cp);
      const std::string expected = TextModeEncode(decoded);

      bool kept = false;
      std::string text = FolderTextFromBytes(raw, RowsIgnoreLineEnds(rows), kept);
      const std::size_t n = ApplySharedList(text, rows, cp);
      const std::string written = kept ? text : TextModeEncode(text);
      if (written != expected || n != nref) {
        FAIL() << "case " << c << " kept " << kept << "\nrows:\n" << DumpRows(*rows) << "raw: [" << raw << "]";
      }
      fileForm += kept;
      changed += kept && n > 0;
    }
    // Most generated lists hold no line end, and most texts qualify.
    EXPECT_GT(fileForm, 300);
    EXPECT_GT(changed, 150);
  }
}

TEST(ApplyListDifferential, LineEndsInRowsNeedTheDecodedText) {
  const std::vector<ConvertRows> lists = {{{"a\n", "b"}}, {{"a", "\n"}}, {{"\r", "x"}}, {{"a", "\r"}}};
  for (const ConvertRows& rows : lists)
    EXPECT_FALSE(RowsIgnoreLineEnds(std::make_shared<const ConvertRows>(rows)));
  EXPECT_TRUE(RowsIgnoreLineEnds(std::make_shared<const ConvertRows>(ConvertRows{{"a", ""}, {"", "\n"}})));
  // Why: the row a LF -> b finds nothing in "a\r\n", where the decoded text gives "b".
  bool kept = false;
  std::string text = FolderTextFromBytes("a\r\n", true, kept);
  ASSERT_TRUE(kept);
  ApplyList(text, {{"a\n", "b"}}, CodePage::Utf8);
  EXPECT_EQ(text, "a\r\n");  // decoded and encoded it would be "b"
}

}  // namespace
}  // namespace zv
