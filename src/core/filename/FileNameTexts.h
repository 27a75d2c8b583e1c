#pragma once

namespace zv::texts {

inline constexpr const char* kAccessDeniedContinue = "アクセスが拒否されました。処理を続けます。\n";
inline constexpr const char* kDiskNotReady = "ディスクの準備ができていません。\n";
inline constexpr const char* kNameSrcLabel = "変換元ファイル： ";
inline constexpr const char* kNameDstLabel = "変換先ファイル： ";
inline constexpr const char* kEmptySourceFolder = "変換元のﾌｫﾙﾀﾞを指定してください。";
inline constexpr const char* kEmptyOutputFolder = "出力先のﾌｫﾙﾀﾞを指定してください。";

}  // namespace zv::texts
