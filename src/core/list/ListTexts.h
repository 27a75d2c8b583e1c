#pragma once

namespace zv::texts {

inline constexpr const char* kAddItemFailed = "項目の追加に失敗しました。";
inline constexpr const char* kSearchLabel = "検索文字：";
inline constexpr const char* kReplaceLabel = "置換文字列：";
inline constexpr const char* kSearchRequired = "変換元の文字列の入力は必須です。";
inline constexpr const char* kColumnSearch = "検索";
inline constexpr const char* kColumnReplace = "置換";

// The list check's findings; %1, %2 ... are row numbers and texts.
inline constexpr const char* kCheckDuplicate =
    "行 %1 の検索文字列は行 %2 と同じです。行 %2 がすべて置き換えた後なので、行 %1 は間の行が作った文字列にしか効きません。";
inline constexpr const char* kCheckNoChange = "行 %1 は検索文字列と置換文字列が同じで、何も変えません。";
inline constexpr const char* kCheckContainsEarlier =
    "行 %1 の検索文字列は行 %2 の検索文字列を含みます。行 %2 が先に置き換えるので、行 %1 は後の行が作った文字列にしか効きません。";
inline constexpr const char* kCheckChain =
    "行 %1 の置換文字列は行 %2 の検索文字列を含みます。行 %1 で置き換えた文字列は、さらに行 %2 で置き換えられます。";
inline constexpr const char* kCheckCycle =
    "行 %1 の置換は循環しています (どの行の置換文字列も、別の行の検索文字列を含みます)。上から順に置き換えるので、入れ替えにはなりません。";
inline constexpr const char* kCheckVariant =
    "行 %1 と行 %2 の検索文字列 (%3 と %4) は、全角/半角、大文字/小文字または Unicode の正規化が違うだけです。";
inline constexpr const char* kCheckFullWidthSpace =
    "行 %1 の検索文字列には全角スペース (U+3000) があります。見た目では半角スペースと区別できません。";
inline constexpr const char* kCheckWaveDash =
    "行 %1 の検索文字列には %2 があります。波ダッシュ (〜 U+301C) と全角チルダ (～ U+FF5E) は見た目が同じ別の文字です。";
inline constexpr const char* kCheckNothingFound = "変換リストに問題は見つかりませんでした";
inline constexpr const char* kCheckNotExpressible =
    "行 %1 は %2 で表せない文字を含むため、その文字コードのテキストやファイル名には使われません。";

}  // namespace zv::texts
