#pragma once

#include <string>

#include "list/ConvertItem.h"
#include "platform/CodePage.h"

namespace zv {

struct NameRules {
  bool part = false;    // whole-name mode
  bool noCase = false;  // match without regard to case
};

// One row applied to a base name; returns the number of replacements made.
std::size_t ConvertNameRow(std::string& name, const ConvertItem& row, NameRules rules, CodePage cp);
// Every row in turn, each to the result of the rows before it.
std::string ConvertBaseName(const std::string& base, const ConvertRows& rows, NameRules rules, CodePage cp,
                            std::size_t* replacements = nullptr);
// The same for rows that are handed out again and again (known by the pointer).
std::string ConvertBaseName(const std::string& base, const SharedRows& rows, NameRules rules, CodePage cp,
                            std::size_t* replacements = nullptr);

}  // namespace zv
