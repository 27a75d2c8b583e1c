#include "filename/FolderWalk.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "filename/FileNameTexts.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace zv {

namespace {

// Longer paths cannot be opened.
constexpr std::size_t kMaxPath = PATH_MAX - 1;

void WriteOut(const WalkCallbacks& cb, const char* text, const std::string& folder) {
  if (cb.folderNotice) {
    cb.folderNotice(text, folder);
  } else if (cb.writeStdout) {
    cb.writeStdout(text);
  } else {
    std::fwrite(text, 1, std::strlen(text), stdout);
    std::fflush(stdout);
  }
}

// A folder's listing; the fault seam stands for a folder the walk may not read.
DirListing ListFolder(const std::string& prefix, std::string_view pattern) {
  if (CheckFileFault(FileOp::List, prefix) == EACCES) {
    DirListing denied;
    denied.err = EACCES;
    denied.code = kListAccessDenied;
    return denied;
  }
  return ListDirectory(prefix, pattern);
}

void ReportError(const WalkCallbacks& cb, int code, int err, const std::string& folder) {
  if (cb.systemError) {
    cb.systemError(code, err, folder);
  } else {
    const std::string text = SystemErrorText(code, err);
    std::fprintf(stderr, "%s\n", text.c_str());
  }
}

}  // namespace

bool CollectFiles(const std::string& folder, const std::string& pattern, bool recurse,
                  std::vector<std::string>& fileList, const WalkCallbacks& cb) {
  const std::string prefix = AddBackslash(folder);

  // Files of this folder, narrowed by the pattern.
  const DirListing files = ListFolder(prefix, pattern.empty() ? std::string_view("*.*") : pattern);
  switch (files.code) {
    case kListOk:
      for (const DirEntry& e : files.entries) {
        if (e.kind != EntryKind::File || IsTemporaryName(e.name)) continue;
        fileList.push_back(prefix + e.name);
      }
      break;
    case kListFileNotFound:
    case kListNoMoreFiles:
      break;
    case kListAccessDenied:
      WriteOut(cb, texts::kAccessDeniedContinue, folder);
      break;
    case kListNotReady:
      WriteOut(cb, texts::kDiskNotReady, folder);
      return true;
    default:
      ReportError(cb, files.code, files.err, folder);
      return false;
  }

  // Subfolders: always every name, whatever the pattern.
  const DirListing dirs = ListFolder(prefix, "*.*");
  switch (dirs.code) {
    case kListOk:
      break;
    case kListFileNotFound:
      return true;
    case kListNoMoreFiles:
      return true;
    case kListAccessDenied:
      WriteOut(cb, texts::kAccessDeniedContinue, folder);
      return true;
    case kListNotReady:
      WriteOut(cb, texts::kDiskNotReady, folder);
      return true;
    default:
      ReportError(cb, dirs.code, dirs.err, folder);
      return false;
  }
  if (!recurse) return true;
  for (const DirEntry& e : dirs.entries) {
    // Links to folders come back as Other, so a link loop is never followed.
    if (e.kind != EntryKind::Directory) continue;
    if (e.name == "." || e.name == "..") continue;
    const std::string sub = prefix + e.name;
    // An error below (a path too long, say) is reported there; the walk goes
    // on with the next folder.
    CollectFiles(sub, pattern, recurse, fileList, cb);
  }
  return true;
}

std::string SystemErrorText(int code, int err) {
  std::string text;
  switch (code) {
    case kListFileNotFound:
      text = "指定されたファイルが見つかりません。";
      break;
    case kListPathNotFound:
      text =
          err == ENAMETOOLONG ? "ファイル名または拡張子が長すぎます。" : "指定されたパスが見つかりません。";
      break;
    case kListAccessDenied:
      text = "アクセスが拒否されました。";
      break;
    case kListNoMoreFiles:
      text = "これ以上ファイルがありません。";
      break;
    case kListNotReady:
      text = "デバイスの準備ができていません。";
      break;
    default:
      switch (err) {
        case ENAMETOOLONG:
          text = "ファイル名または拡張子が長すぎます。";
          break;
        case EMFILE:
        case ENFILE:
          text = "開いているファイルが多すぎます。";
          break;
        case ENOMEM:
          text = "このコマンドを実行するのに十分な記憶域がありません。";
          break;
        case ELOOP:
          text = "シンボリック リンクの階層が深すぎます。";
          break;
        case 0:
          text = "エラー " + std::to_string(code);
          break;
        default:
          text = std::strerror(err);
          break;
      }
      break;
  }
  // Shown by the desktop and the command line, both of which take bytes of the active code page.
  if (auto converted = FromUtf8(text)) return *converted;
  return text;
}

MirrorFolders PrepareMirror(const std::string& srcFolder, const std::string& dstFolder) {
  MirrorFolders m;
  m.src = AddBackslash(srcFolder);
  m.dst = AddBackslash(dstFolder);
  m.srcDirLen = SplitPath(m.src).dir.size();
  return m;
}

std::string DestinationFolder(const MirrorFolders& m, const std::string& srcPath) {
  const PathParts src = SplitPath(srcPath);
  const std::string rel = src.dir.size() > m.srcDirLen ? src.dir.substr(m.srcDirLen) : std::string();
  const PathParts dst = SplitPath(m.dst);
  return MakePath(dst.drive, dst.dir + rel, "", "");
}

bool CreateDirectories(const std::string& folder) {
  if (folder.empty() || folder.size() > kMaxPath) return false;
  if (PathIsDirectory(folder)) return true;
  const std::string copy = RemoveBackslash(folder);
  if (copy.empty() || IsRootPath(copy)) return false;
  const PathParts parts = SplitPath(copy);
  if (!parts.dir.empty()) {
    const std::string parent = MakePath(parts.drive, parts.dir, "", "");
    // Each step is shorter than the last, so the recursion ends.
    if (parent.size() < folder.size()) CreateDirectories(parent);
  }
  // A relative single-component folder ("out") is created too, not only nested ones.
  return CreateOneDirectory(copy).ok;
}

bool ShortenPath(const std::string& path, std::string& out, std::size_t maxLen, std::size_t headLen) {
  constexpr std::string_view kSep = " ... ";
  if (path.size() + kSep.size() <= maxLen) {
    out = path;
    return true;
  }
  if (headLen + kSep.size() > maxLen) return false;
  // Cuts fall on character boundaries of the path's own names, so the label
  // may come out a few bytes short.
  std::size_t head = std::min(headLen, path.size());
  while (head > 0 && !IsPathCharBoundary(path, head)) --head;
  std::size_t tail = path.size() - (maxLen - headLen - kSep.size());
  while (tail < path.size() && !IsPathCharBoundary(path, tail)) ++tail;
  out.assign(path, 0, head);
  out += kSep;
  out.append(path, tail, std::string::npos);
  return true;
}

FolderRelation RelationOf(const std::string& src, const std::string& dst) {
  std::error_code ec;
  const std::filesystem::path s = std::filesystem::weakly_canonical(src, ec);
  if (ec) return FolderRelation::Apart;
  const std::filesystem::path d = std::filesystem::weakly_canonical(dst, ec);
  if (ec) return FolderRelation::Apart;
  if (s == d) return FolderRelation::Same;
  const std::string sb = AddBackslash(s.native()), db = AddBackslash(d.native());
  return db.compare(0, sb.size(), sb) == 0 ? FolderRelation::Inside : FolderRelation::Apart;
}

std::optional<std::string> CheckRunFolders(const std::string& src, const std::string& dst) {
  if (src.empty()) return std::string(texts::kEmptySourceFolder);
  if (dst.empty()) return std::string(texts::kEmptyOutputFolder);
  return std::nullopt;
}

}  // namespace zv
