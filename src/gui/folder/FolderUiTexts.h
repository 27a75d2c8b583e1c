#pragma once
// Texts of the folder browsers and the new-folder dialog (UTF-8); the refusal
// texts of the name checks live in the core's folder/FolderName.h.

namespace zv::texts {

inline constexpr const char* kBrowserTitle = "フォルダの参照";
inline constexpr const char* kBrowserHome = "ホーム";
inline constexpr const char* kNewFolderButton = "新規作成";
inline constexpr const char* kBrowserOk = "OK";
inline constexpr const char* kBrowserCancel = "ｷｬﾝｾﾙ";

inline constexpr const char* kNewDirTitle = "ﾀﾞｲｱﾛｸﾞ";
inline constexpr const char* kNewDirLabel = "フォルダ名(&F)：";

}  // namespace zv::texts
