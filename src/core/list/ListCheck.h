#pragma once
// The list check: rows that can never act, that feed each other or that only
// look like others, and rows some encoding cannot hold. The order of rows
// decides every result, and none of this shows in the list itself.

#include <cstddef>
#include <string>
#include <vector>

#include "list/ConvertItem.h"

namespace zv {

enum class FindingKind {
  Duplicate,        // the same search string as an earlier row
  NoChange,         // search equals replacement
  ContainsEarlier,  // the search string holds an earlier row's
  Chain,            // the replacement holds a later row's search string
  Cycle,            // rows whose replacements lead round to each other
  Variant,          // differs from another row only in width, case or normalisation
  LookAlike,        // holds a character that looks like a common other one
  NotExpressible,   // some encoding of texts or names cannot hold the row
};

struct ListFinding {
  FindingKind kind;
  std::vector<std::size_t> rows;  // 1-based, as the list shows them
  std::string message;            // UTF-8
};

// Rows are text of the active code page, in display order.
std::vector<ListFinding> CheckList(const ConvertRows& rows);

// "duplicate", "no-change", ... for the CSV form.
const char* FindingKindWord(FindingKind kind);

}  // namespace zv
