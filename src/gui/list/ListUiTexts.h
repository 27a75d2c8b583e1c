#pragma once
// Texts of the item dialog (UTF-8); the list's other texts live in the core's
// list/ListTexts.h.

namespace zv::texts {

inline constexpr const char* kItemEditTitle = "項目の編集";
inline constexpr const char* kItemEditSearchLabel = "置換対象の文字列(&B)";
inline constexpr const char* kItemEditReplaceLabel = "置換する文字列(&A)";
inline constexpr const char* kCancel = "ｷｬﾝｾﾙ";

}  // namespace zv::texts
