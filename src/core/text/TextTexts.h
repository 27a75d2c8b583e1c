#pragma once

namespace zv::texts {

inline constexpr const char* kCopySrcLabel = "コピー元： ";
inline constexpr const char* kCopyDstLabel = "コピー先： ";
// In-place runs leave files reached through a link alone (%1 the link).
inline constexpr const char* kLinkLeftAlone = "%1: シンボリックリンクなので変換しません";

}  // namespace zv::texts
