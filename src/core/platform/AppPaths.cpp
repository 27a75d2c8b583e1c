#include "platform/AppPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/File.h"
#include "platform/Path.h"

namespace zv {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty()) {
    if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  return home.empty() ? std::string("/") : home;
}

namespace {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string XdgConfigHome() {
  const std::string xdg = Env("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == kPathSep) return RemoveBackslash(xdg);
  return AddBackslash(HomeFolder()) + ".config";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a quoted path, "$HOME/..." or absolute.
std::string XdgDocumentsFolder() {
  std::string content;
  if (!ReadFileBytesShared(XdgConfigHome() + "/user-dirs.dirs", content)) return {};
  std::string_view rest = content;
  while (!rest.empty()) {
    const std::size_t lf = rest.find('\n');
    std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    const std::size_t b = line.find_first_not_of(" \t");
    if (b == std::string_view::npos) continue;
    line.remove_prefix(b);
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    std::string dir;
    if (line.substr(0, 5) == "$HOME") {
      dir = HomeFolder();
      line.remove_prefix(5);
      if (!line.empty() && line.front() != kPathSep) continue;  // "$HOMEX" is another variable
      dir = RemoveBackslash(dir) + std::string(line);
    } else if (!line.empty() && line.front() == kPathSep) {
      dir = std::string(line);
    } else {
      continue;
    }
    return PathIsDirectory(dir) ? dir : std::string();
  }
  return {};
}

}  // namespace

std::string ExecutableFolder() {
  std::string buf(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) return {};
  buf.resize(static_cast<std::size_t>(n));
  return AddBackslash(SplitPath(buf).dir);
}

std::string ConfigFolder() {
  if (std::string dir = Env("ZENTRAVOLIX_CONFIG_DIR"); !dir.empty()) return AddBackslash(dir);
  const std::string exe = ExecutableFolder();
  if (!exe.empty() && (PathFileExists(exe + kSettingsFileName) || ::access(exe.c_str(), W_OK) == 0))
    return exe;
  // The folder is made here so that the first save has somewhere to go.
  const std::string base = XdgConfigHome();
  ::mkdir(base.c_str(), 0700);
  const std::string dir = base + "/zentravolix";
  ::mkdir(dir.c_str(), 0777);
  return dir + kPathSep;
}

std::string ConfigFilePath(const std::string& name) { return ConfigFolder() + name; }

std::string DocumentsFolder() {
  std::string dir = XdgDocumentsFolder();
  if (dir.empty()) dir = HomeFolder();
  return AddBackslash(dir);
}

}  // namespace zv
