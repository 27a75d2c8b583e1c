#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "PlatformFixture.h"
#include "platform/AppPaths.h"
#include "platform/Path.h"

namespace zv {
namespace {

using zvplatformtest::PutFile;
using zvplatformtest::TempDir;

// Sets an environment variable for one scope.
class EnvScope {
 public:
  EnvScope(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvScope() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(AppPathsTest, ExecutableAndConfigFolders) {
  const std::string exe = ExecutableFolder();
  ASSERT_FALSE(exe.empty());
  EXPECT_EQ(exe.back(), '/');
  EXPECT_TRUE(PathIsDirectory(exe));

  TempDir tmp;
  EnvScope env("ZENTRAVOLIX_CONFIG_DIR", tmp.path());
  EXPECT_EQ(ConfigFolder(), tmp.path() + "/");
  EXPECT_EQ(ConfigFilePath(kSettingsFileName), tmp / "Zentravolix.ini");
}

TEST(AppPathsTest, DocumentsFolder) {
  TempDir tmp;
  ASSERT_EQ(::mkdir((tmp / "config").c_str(), 0755), 0);
  EnvScope home("HOME", tmp.path());
  EnvScope config("XDG_CONFIG_HOME", tmp / "config");
  // No user-dirs file: the home folder.
  EXPECT_EQ(DocumentsFolder(), tmp.path() + "/");

  ASSERT_TRUE(PutFile(tmp / "config/user-dirs.dirs",
                      "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n"));
  // The named folder does not exist yet: still the home folder.
  EXPECT_EQ(DocumentsFolder(), tmp.path() + "/");
  ASSERT_EQ(::mkdir((tmp / "Docs").c_str(), 0755), 0);
  EXPECT_EQ(DocumentsFolder(), tmp / "Docs/");
}

}  // namespace
}  // namespace zv
