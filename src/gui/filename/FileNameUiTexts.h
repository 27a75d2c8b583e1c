#pragma once
// Texts of the folder run dialog and the file-name settings dialog (UTF-8).

namespace zv::texts {

// An output folder field that names a file (%1).
inline constexpr const char* kOutputNotFolder = "%1: 出力先がﾌｫﾙﾀﾞではありません";
// With detection per file: "文字コード： EUC-JP (a.txt)".
inline constexpr const char* kEncodingShown = "文字コード： ";

// Folder run dialog.
inline constexpr const char* kBatchTitleFileName = "ﾌｧｲﾙ名置換";
inline constexpr const char* kBatchTitleFolderText = "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換";
inline constexpr const char* kBatchSrcLabel = "変換元のﾌｫﾙﾀﾞ(&R)";
inline constexpr const char* kBatchPatternLabel = "検索文字（ファイル名絞込み）(&F)：";
inline constexpr const char* kBatchDstLabel = "出力先(&D)";
inline constexpr const char* kBatchSrcButton = "Dir(&1)...";
inline constexpr const char* kBatchDstButton = "Dir(&2)..";
inline constexpr const char* kBatchSettings = "設定(&S)...";
inline constexpr const char* kBatchPreview = "プレビュー(&V)...";
// Asked before a run that writes into its source folder or below it.
inline constexpr const char* kRunInPlace =
    "出力先が変換元と同じフォルダです。変換元のファイルが上書きされることがあります。\n実行しますか?";
inline constexpr const char* kRunInside = "出力先が変換元のフォルダの中にあります。\n実行しますか?";
inline constexpr const char* kBatchExecute = "実行(&C)";
inline constexpr const char* kBatchClose = "閉じる";
inline constexpr const char* kBatchCancel = "ｷｬﾝｾﾙ";
inline constexpr const char* kDefaultPattern = "*.*";
inline constexpr const char* kDestDirName = "DEST_DIR";
inline constexpr const char* kBrowseSrcTitle = "サイト情報を保存したフォルダを選択してください";
inline constexpr const char* kBrowseDstTitle = "保存するフォルダを選択してください";

// File-name settings dialog.
inline constexpr const char* kFileNameSettingTitle = "ﾌｧｲﾙ名置換の設定";
inline constexpr const char* kCheckSubDir = "ｻﾌﾞﾃﾞｨﾚｸﾄﾘを検索する(&S)";
inline constexpr const char* kCheckNoCase = "大文字小文字を区別しない(&N)";
inline constexpr const char* kCheckOverwrite = "既に存在する場合に上書きする(&O)";
inline constexpr const char* kCheckPart = "完全に一致するファイル名だけ変換(&P)";
inline constexpr const char* kSettingOk = "OK";
inline constexpr const char* kSettingCancel = "ｷｬﾝｾﾙ";

}  // namespace zv::texts
