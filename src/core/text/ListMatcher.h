#pragma once
// The fast list engine. Same result as applying the rows one by one, at
// about the cost of one pass over the text however long the list is:
//
// - One multi-literal scan (LiteralScanner) finds where any search string occurs.
// - A byte that no search string contains and that is always a character of
//   its own (an ASCII byte such as a line end or a blank) can never be part of
//   an occurrence, at any step, and cuts character-boundary look-back. The text
//   therefore splits at such bytes into chunks that the rows transform
//   independently; chunks without an occurrence are never touched.
// - Inside a chunk only the rows that occur in it are applied, in list order.
//   After a row changes the chunk, a later row can only have appeared where it
//   overlaps the inserted text; those rows (known from the list alone) or a
//   rescan of the chunk join the candidates.
// - An occurrence of a row that can form nothing later, overlapping no other
//   occurrence, is replaced without finding its chunk, and taken back if a
//   later occurrence in the chunk needs the chunk.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"

namespace zv {

class CompiledList;

// Compiled form of a list, cached by content (the engines ask once per file).
std::shared_ptr<const CompiledList> CompileList(const ConvertRows& rows);
// The same, known again by the pointer before the rows are compared.
std::shared_ptr<const CompiledList> CompileList(const SharedRows& rows);

// nullopt-free: returns false when the fast path cannot run (the caller then
// uses the reference engine).
bool ApplyCompiledList(const CompiledList& list, std::string& text, CodePage cp, std::size_t& count);

// No row's search string or replacement holds a CR or LF.
bool ListIgnoresLineEnds(const CompiledList& list);

// No row that changes a chunk without a rescan moves a Shift-JIS character
// boundary outside the text it inserts (true of rows of whole characters);
// the Shift-JIS scan then leaves out occurrences inside characters.
bool ListKeepsCp932Boundaries(const CompiledList& list);

// A byte at which chunks end in text of this code page wherever it stands:
// no search string holds it and it is always a character of its own. Text
// cut right after one converts part by part exactly as it does whole.
bool IsChunkSeparator(const CompiledList& list, unsigned char c, CodePage cp);

// Rows (indices above `after`, ascending) whose search string occurs in the
// text anywhere, character boundaries not considered: a row outside this set
// cannot change the text. False when the scan cannot run.
bool RowsOccurring(const CompiledList& list, std::string_view text, long after, std::vector<std::uint32_t>& rows);

// How many lists have been compiled so far (tests count the compiles of a run).
std::size_t CompiledListsMade();

}  // namespace zv
