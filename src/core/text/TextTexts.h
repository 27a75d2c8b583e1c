#pragma once

namespace zv::texts {

inline constexpr const char* kCopySrcLabel = "コピー元： ";
inline constexpr const char* kCopyDstLabel = "コピー先： ";

}  // namespace zv::texts
