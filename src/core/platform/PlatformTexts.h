#pragma once
// Texts of the platform layer, exactly as the user sees them.

namespace zv::texts {

inline constexpr const char* kCauseBadPath = "ﾊﾟｽが誤っています";
inline constexpr const char* kCauseAccessDenied = "ﾌｧｲﾙｱｸｾｽ禁止です";
inline constexpr const char* kCauseHardware = "ﾊｰﾄﾞｳｪｱｴﾗｰです";
inline constexpr const char* kCauseDiskFull = "ﾃﾞｨｽｸが一杯です";
inline constexpr const char* kNoFileName = "ﾌｧｲﾙ名なし";

}  // namespace zv::texts
