#pragma once
// Texts of the folder text settings dialog and the extension dialog (UTF-8).

namespace zv::texts {

inline constexpr const char* kFolderTextSettingTitle = "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換の設定";
inline constexpr const char* kFolderTextGroup = "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換";
inline constexpr const char* kTextCheckSubDir = "ｻﾌﾞﾃﾞｨﾚｸﾄﾘを検索する(&S)";
inline constexpr const char* kTextCheckOverwrite = "既に存在する場合に上書きする(&O)";
inline constexpr const char* kBinaryGroup = "バイナリファイル";
inline constexpr const char* kBinaryListLabel = "変換しない拡張子(&E)：";
inline constexpr const char* kRadioCopyOnly = "コピーのみ(&P)";
inline constexpr const char* kRadioNoCopy = "コピーしない(&N)";
inline constexpr const char* kExtAdd = "追加(&A)";
inline constexpr const char* kExtDelete = "削除(&D)";
inline constexpr const char* kExtEdit = "編集(&E)";
inline constexpr const char* kExtReset = "初期化(&I)";
inline constexpr const char* kTextSettingOk = "OK";
inline constexpr const char* kTextSettingCancel = "ｷｬﾝｾﾙ";

// Our own additions: the encoding of the texts and their line ends.
inline constexpr const char* kEncodingGroup = "文字コードと改行";
inline constexpr const char* kEncodingLabel = "文字コード(&C)：";
inline constexpr const char* kEncodingSystem = "システム (既定)";
inline constexpr const char* kEncodingAuto = "自動判別";
inline constexpr const char* kEncodingCp932 = "Shift-JIS (932)";
inline constexpr const char* kEncodingUtf8 = "UTF-8 (65001)";
inline constexpr const char* kEncodingEucJp = "EUC-JP";
inline constexpr const char* kEncodingIso2022Jp = "ISO-2022-JP (JIS)";
inline constexpr const char* kEncodingUtf16 = "UTF-16";
inline constexpr const char* kLineEndsLabel = "改行コード：";
inline constexpr const char* kRadioCrLf = "CR LF に揃える(&L)";
inline constexpr const char* kRadioKeepLineEnds = "元のまま(&K)";

inline constexpr const char* kExtensionTitle = "拡張子";
inline constexpr const char* kExtensionLabel = "拡張子名(&N)：";
inline constexpr const char* kExtensionInvalid = "拡張子名が正しくありません。";

}  // namespace zv::texts
