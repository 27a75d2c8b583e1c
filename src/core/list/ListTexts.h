#pragma once

namespace zv::texts {

inline constexpr const char* kAddItemFailed = "項目の追加に失敗しました。";
inline constexpr const char* kSearchLabel = "検索文字：";
inline constexpr const char* kReplaceLabel = "置換文字列：";
inline constexpr const char* kSearchRequired = "変換元の文字列の入力は必須です。";
inline constexpr const char* kColumnSearch = "検索";
inline constexpr const char* kColumnReplace = "置換";

}  // namespace zv::texts
