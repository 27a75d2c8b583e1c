#pragma once
// The overlap table of a compiled list: for each row, where a later row's
// search string can lie over the replacement the row inserts. After a change
// only those rows can have appeared in the text, so the engine looks for
// them there instead of searching the text again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "list/ConvertItem.h"

namespace zv {

class LiteralScanner;

// A later row whose search string may start `offset` bytes from the start of
// an inserted replacement, agreeing with it on every byte they share. The
// string comes with the entry: most entries fail on the room around the
// insertion, and reading the rows for it missed the cache.
struct Created {
  std::uint32_t row;
  std::int32_t offset;
  const char* find;  // the row's search string, in the rows the table was built from
  std::uint32_t size;
  // In Shift-JIS the string cannot start on a boundary there: the insertion
  // starts on one, so a character of the replacement or of the string, read
  // from its start, would have to end where none does.
  bool insideCp932;
};

struct OverlapTable {
  // Row r's entries are entries[from[r] .. from[r + 1]), those that cannot
  // start on a Shift-JIS boundary last, from inside[r].
  std::vector<Created> entries;
  std::vector<std::uint32_t> from, inside;
  // Per row: a change needs a rescan of its chunk instead (a deletion, which
  // joins its neighbours, or more entries than are worth checking).
  std::vector<std::uint8_t> rescan;
};

// Pairwise compares every row with every later one; Indexed finds the
// overlapping strings through the scanner and sorted search strings, which
// long lists need. Auto takes pairwise for short lists.
enum class OverlapMethod { Auto, Pairwise, Indexed };

// needles: the distinct non-empty search strings; needleRows: the rows of
// each, ascending; scanner: finds the needles (null when there are none).
OverlapTable BuildOverlapTable(const ConvertRows& rows, const std::vector<std::string>& needles,
                               const std::vector<std::vector<std::uint32_t>>& needleRows,
                               const LiteralScanner* scanner, OverlapMethod method = OverlapMethod::Auto);

}  // namespace zv
