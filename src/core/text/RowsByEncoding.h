#pragma once
// The list as the texts (or file names) of one encoding meet it. Rows are
// text of the active code page; a file in another encoding meets them
// converted into the code page its text is worked in, and rows the encoding
// cannot express take no part. Each row set is converted once per encoding;
// encodings that end up with the same rows share one set (and so one
// compiled list).

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "list/ConvertItem.h"
#include "text/TextEncoding.h"

namespace zv {

class RowsByEncoding {
 public:
  struct Converted {
    SharedRows rows;
    std::vector<std::size_t> leftOut;  // indices into the rows handed in
  };
  // The same pointer comes back while the same rows are handed in. Safe to
  // call from several threads.
  Converted For(const SharedRows& rows, TextEncoding enc);

 private:
  struct Entry {
    SharedRows source;
    Converted converted;
  };
  std::mutex m_mutex;
  Entry m_entries[kTextEncodings];
};

// The notices that rows take no part (UTF-8 text): for the file names of an
// encoding, and for the texts of one.
std::string RowsLeftOutOfNames(const std::vector<std::size_t>& leftOut, TextEncoding enc);
std::string RowsLeftOutOfTexts(const std::vector<std::size_t>& leftOut, TextEncoding enc);
// "3, 7": row numbers as the list shows them.
std::string RowNumbers(const std::vector<std::size_t>& leftOut);

}  // namespace zv
