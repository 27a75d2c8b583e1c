#pragma once

namespace zv::texts {

inline constexpr const char* kAccessDeniedContinue = "アクセスが拒否されました。処理を続けます。\n";
inline constexpr const char* kDiskNotReady = "ディスクの準備ができていません。\n";
inline constexpr const char* kNameSrcLabel = "変換元ファイル： ";
inline constexpr const char* kNameDstLabel = "変換先ファイル： ";
inline constexpr const char* kEmptySourceFolder = "変換元のﾌｫﾙﾀﾞを指定してください。";
inline constexpr const char* kEmptyOutputFolder = "出力先のﾌｫﾙﾀﾞを指定してください。";
// Destinations a run refuses (templates: %1 the destination, %2 and %3 the two sources).
inline constexpr const char* kDstIsSource = "%1: 変換元のファイルには書き込みません";
inline constexpr const char* kNameLeavesFolder = "%1: 新しい名前が出力先のﾌｫﾙﾀﾞの外を指しています";
inline constexpr const char* kDstTaken = "%1: 出力先が重複しています（%2 と %3）";

// Report rows of files that a stopped run never reached.
inline constexpr const char* kNotProcessed = "処理されませんでした";

// The counts of a run: "変換 3、コピー 1、スキップ 0、既存 0、失敗 0、置換 12 件".
inline constexpr const char* kSummaryConverted = "変換 ";
inline constexpr const char* kSummaryCopied = "、コピー ";
inline constexpr const char* kSummarySkipped = "、スキップ ";
inline constexpr const char* kSummaryExists = "、既存 ";
inline constexpr const char* kSummaryFailed = "、失敗 ";
inline constexpr const char* kSummaryReplacements = "、置換 ";
inline constexpr const char* kSummaryReplacementsTail = " 件";
inline constexpr const char* kSummaryNotReached = "、未処理 ";

}  // namespace zv::texts
