#pragma once
// Texts of the single-file text dialog (UTF-8).

namespace zv::texts {

inline constexpr const char* kTextConvertTitle = "ﾃｷｽﾄ置換";
inline constexpr const char* kTextOpenFile = "ﾌｧｲﾙを開く(&O)...";
inline constexpr const char* kTextSaveFile = "保存(&F)...";
inline constexpr const char* kTextQuit = "終了";
inline constexpr const char* kTextFileNameLabel = "ファイル名：";
inline constexpr const char* kTextConvert = "変換(&C)...";
inline constexpr const char* kTextRemoveLineBreaks = "改行を削除(&R)";
// One entry, "ﾃｷｽﾄ(*.txt)", matching *.txt.
inline constexpr const char* kTextFilter = "ﾃｷｽﾄ(*.txt)";

// Our own additions.
inline constexpr const char* kTextReadFailed = "%1 を読み込めませんでした。";
inline constexpr const char* kTextWriteFailed = "%1 に保存できませんでした。";
inline constexpr const char* kTextNotEncodable =
    "次の文字は現在の文字コード (%1) で表せないため、処理を中止しました。\n%2";
inline constexpr const char* kTextNotEncodableMore = "ほか %1 種類";
inline constexpr const char* kTextEncodingLabel = "文字コード(&K)：";
inline constexpr const char* kTextEncodingUnknown = "%1 の文字コードを判別できません。";
inline constexpr const char* kTextEncodingNotExact =
    "%1 を %2 として読み書きすると元のバイト列に戻らないため、開きませんでした。";

}  // namespace zv::texts
