#pragma once
// Texts of the preview and the summary of a folder run (UTF-8).

namespace zv::texts {

// Folders the walk could not read.
inline constexpr const char* kFoldersNotRead =
    "次のフォルダは読み取れないため、その中のファイルは処理されません。\n\n%1";
inline constexpr const char* kFoldersNotReadMore = "ほか %1 個のフォルダ";

// Summary.
inline constexpr const char* kSummaryTitle = "実行結果";
inline constexpr const char* kSummaryTime = "時間： %1 秒";
inline constexpr const char* kSummaryNothingChanged =
    "置換は 1 件もありませんでした。変換リストのどの行も、どのファイルにも一致しませんでした。";
inline constexpr const char* kSummaryFailures = "失敗したファイル (最初の %1 件)：";
inline constexpr const char* kSummarySaveReport = "レポートを保存(&S)...";
inline constexpr const char* kSummaryOpenFolder = "出力フォルダを開く(&O)";
inline constexpr const char* kSummaryClose = "閉じる";
inline constexpr const char* kReportFilter = "CSV(*.csv)";
inline constexpr const char* kReportName = "report.csv";
inline constexpr const char* kReportSaveFailed = "%1 に保存できませんでした。";

// Preview.
inline constexpr const char* kPreviewTitle = "プレビュー";
inline constexpr const char* kPreviewSource = "変換元";
inline constexpr const char* kPreviewDestination = "出力先";
inline constexpr const char* kPreviewOldName = "元の名前";
inline constexpr const char* kPreviewNewName = "新しい名前";
inline constexpr const char* kPreviewAction = "処理";
inline constexpr const char* kPreviewReplacements = "置換";
inline constexpr const char* kPreviewEncoding = "文字コード";
inline constexpr const char* kPreviewMessage = "メッセージ";
inline constexpr const char* kActionConverted = "変換";
inline constexpr const char* kActionCopied = "コピー";
inline constexpr const char* kActionSkipped = "スキップ";
inline constexpr const char* kActionExists = "既存";
inline constexpr const char* kActionFailed = "失敗";
inline constexpr const char* kPreviewWorking = "確認中... ";
inline constexpr const char* kPreviewDone = "確認が終わりました。 ";
inline constexpr const char* kPreviewStopped = "中止しました。 ";
inline constexpr const char* kPreviewBefore = "変換前";
inline constexpr const char* kPreviewAfter = "変換後";
inline constexpr const char* kPreviewRun = "実行(&C)";
inline constexpr const char* kPreviewStop = "中止(&T)";
inline constexpr const char* kPreviewClose = "閉じる";
inline constexpr const char* kPreviewListChanged =
    "プレビューの後に変換リストが変わりました。実行するには、もう一度プレビューしてください。";
inline constexpr const char* kPreviewMovesFolder = "新しい名前で別のフォルダに入ります";
inline constexpr const char* kPreviewNoDiff = "このファイルは変わりません。";

}  // namespace zv::texts
