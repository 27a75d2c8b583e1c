#pragma once
// Texts of the item dialog (UTF-8); the list's other texts live in the core's
// list/ListTexts.h.

namespace zv::texts {

inline constexpr const char* kItemEditTitle = "項目の編集";
inline constexpr const char* kItemEditSearchLabel = "置換対象の文字列(&B)";
inline constexpr const char* kItemEditReplaceLabel = "置換する文字列(&A)";
inline constexpr const char* kCancel = "ｷｬﾝｾﾙ";

// The list check.
inline constexpr const char* kListCheckTitle = "変換リストの検査";
inline constexpr const char* kListCheckHead =
    "%1 件の指摘があります。指摘を選ぶと、その行がリストで選択されます。";
inline constexpr const char* kListCheckRows = "行";
inline constexpr const char* kListCheckFinding = "内容";
inline constexpr const char* kListCheckClose = "閉じる";

}  // namespace zv::texts
