#pragma once
// Checks of the new-folder dialog.

#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace zv {

inline constexpr const char kInvalidFolderNameChars[] = "\\/:*?\"<>|";

enum class FolderNameCheck { Ok, Empty, InvalidChar, Exists, TooLong };

// In order: empty, forbidden character (double-byte characters never match),
// too long for the system, an existing folder at parent/name.
FolderNameCheck CheckNewFolderName(const std::string& parent, const std::string& name, CodePage cp);
std::string NewFolderPath(const std::string& parent, const std::string& name);

}  // namespace zv

namespace zv::texts {
inline constexpr const char* kInvalidFolderName = "フォルダ名には次の文字は使えません:\n";
inline constexpr const char* kFolderExists = "同じ名前のフォルダが既にあります。別の名前を入力してください。";
inline constexpr const char* kFolderNameTooLong = "フォルダ名が長すぎます。";
}  // namespace zv::texts
