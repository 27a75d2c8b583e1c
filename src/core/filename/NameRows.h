#pragma once
// The list as the file names of one encoding meet it. Rows are text of the
// active code page; a UTF-8 name in a 932 session (or a legacy CP932 name in
// a 65001 session) meets them converted. Each row set is converted once per
// encoding, and rows the encoding cannot express take no part.

#include <cstddef>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"

namespace zv {

class NameRows {
 public:
  struct Converted {
    SharedRows rows;
    std::vector<std::size_t> leftOut;  // indices into the rows handed in
  };
  // The same pointer comes back while the same rows are handed in.
  const Converted& For(const SharedRows& rows, CodePage cp);

 private:
  struct Entry {
    SharedRows source;
    Converted converted;
  };
  Entry m_entries[2];
};

// The notice that rows take no part for names of an encoding (UTF-8 text).
std::string RowsLeftOutNotice(const std::vector<std::size_t>& leftOut, CodePage cp);

}  // namespace zv
