#pragma once
// Texts of the platform layer, exactly as the user sees them.

namespace zv::texts {

inline constexpr const char* kCauseBadPath = "ﾊﾟｽが誤っています";
inline constexpr const char* kCauseAccessDenied = "ﾌｧｲﾙｱｸｾｽ禁止です";
inline constexpr const char* kCauseHardware = "ﾊｰﾄﾞｳｪｱｴﾗｰです";
inline constexpr const char* kCauseDiskFull = "ﾃﾞｨｽｸが一杯です";
inline constexpr const char* kNoFileName = "ﾌｧｲﾙ名なし";

// Failures without a cause of the file error message: "<path>: <text> (<system's description>)".
inline constexpr const char* kOpenFailed = "開けませんでした";
inline constexpr const char* kReadFailed = "読み込めませんでした";
inline constexpr const char* kWriteFailed = "書き込めませんでした";
inline constexpr const char* kCreateDirFailed = "ﾌｫﾙﾀﾞを作成できませんでした";
// Inputs turned away before reading: "<path>: <text>".
inline constexpr const char* kRefusedTooLarge = "ﾌｧｲﾙが大きすぎます";
inline constexpr const char* kRefusedNotAFile = "通常のﾌｧｲﾙではありません";
inline constexpr const char* kRefusedEncoding = "文字ｺｰﾄﾞを変換できません";

}  // namespace zv::texts
