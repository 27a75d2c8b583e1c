#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "PlatformFixture.h"
#include "platform/CodePage.h"
#include "platform/Path.h"

namespace zv {
namespace {

using zvplatformtest::TempDir;

std::string Parts(std::string_view path) {
  const PathParts p = SplitPath(path);
  return p.drive + "|" + p.dir + "|" + p.fname + "|" + p.ext;
}

TEST(PathTest, SplitPath) {
  EXPECT_EQ(Parts("/home/u/.profile"), "|/home/u/||.profile");
  EXPECT_EQ(Parts("/data/archive.tar.gz"), "|/data/|archive.tar|.gz");
  EXPECT_EQ(Parts("README"), "||README|");
  EXPECT_EQ(Parts("/a.b/README"), "|/a.b/|README|");  // a dot in a folder is no extension
  EXPECT_EQ(Parts("/data/in/"), "|/data/in/||");
  EXPECT_EQ(Parts("/"), "|/||");
  EXPECT_EQ(Parts("name."), "||name|.");
  EXPECT_EQ(Parts(""), "|||");
  // ソ (83 5C) in a folder name: no byte of it is taken for a separator.
  EXPECT_EQ(Parts("/d/\x83\x5c/f.txt"), "|/d/\x83\x5c/|f|.txt");
}

TEST(PathTest, MakePathReversesSplit) {
  for (const char* path :
       {"/home/u/.profile", "/data/archive.tar.gz", "README", "/data/in/", "/", "a/b.c/d."}) {
    const PathParts p = SplitPath(path);
    EXPECT_EQ(MakePath(p.drive, p.dir, p.fname, p.ext), path);
  }
  EXPECT_EQ(MakePath("", "/out", "f", "txt"), "/out/f.txt");
  EXPECT_EQ(MakePath("", "/out/", "", ""), "/out/");
  EXPECT_EQ(MakePath("", "", "f", ""), "f");
  EXPECT_EQ(MakePath("", "/out/sub/deep/", "", ""), "/out/sub/deep/");
}

TEST(PathTest, SeparatorsAndComponents) {
  EXPECT_EQ(AddBackslash("/a"), "/a/");
  EXPECT_EQ(AddBackslash("/a/"), "/a/");
  EXPECT_EQ(AddBackslash("/"), "/");
  EXPECT_EQ(AddBackslash(""), "");  // an empty folder must not become the root
  EXPECT_EQ(RemoveBackslash("/a/"), "/a");
  EXPECT_EQ(RemoveBackslash("/a"), "/a");
  EXPECT_EQ(RemoveBackslash("/"), "/");
  EXPECT_EQ(RemoveBackslash(""), "");
  EXPECT_TRUE(IsRootPath("/"));
  EXPECT_TRUE(IsRootPath("//"));
  EXPECT_FALSE(IsRootPath(""));
  EXPECT_FALSE(IsRootPath("/a"));

  EXPECT_EQ(PathExtension("/x/archive.tar.gz"), ".gz");
  EXPECT_EQ(PathExtension("/x.y/README"), "");
  EXPECT_EQ(PathExtension("name."), ".");
  EXPECT_EQ(PathExtension(".bashrc"), ".bashrc");
  EXPECT_EQ(PathFileName("/x/y/f.txt"), "f.txt");
  EXPECT_EQ(PathFileName("f.txt"), "f.txt");
  EXPECT_EQ(PathFileName("/x/y/"), "y/");
  EXPECT_EQ(PathFileName("/"), "/");
}

TEST(PathTest, ExistenceChecks) {
  TempDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  ASSERT_TRUE(zvplatformtest::PutFile(tmp / "f", "x"));
  ASSERT_EQ(::symlink((tmp / "missing").c_str(), (tmp / "dangling").c_str()), 0);
  ASSERT_EQ(::symlink(tmp.path().c_str(), (tmp / "dirlink").c_str()), 0);

  EXPECT_TRUE(PathFileExists(tmp / "f"));
  EXPECT_TRUE(PathFileExists(tmp / "dangling"));
  EXPECT_FALSE(PathFileExists(tmp / "missing"));
  EXPECT_FALSE(PathFileExists(""));
  EXPECT_TRUE(PathIsDirectory(tmp.path()));
  EXPECT_TRUE(PathIsDirectory(tmp.path() + "/"));
  EXPECT_TRUE(PathIsDirectory(tmp / "dirlink"));
  EXPECT_FALSE(PathIsDirectory(tmp / "f"));
  EXPECT_FALSE(PathIsDirectory(tmp / "dangling"));
}

// A path shown as text leads back to its own bytes: a legacy CP932 name
// below a UTF-8 folder is found again; a name that exists nowhere stays UTF-8.
TEST(PathTest, PathsShownAsTextLeadBackToTheirBytes) {
  TempDir tmp;
  ASSERT_FALSE(tmp.path().empty());
  const std::string legacy = *ConvertCodePage("旧資料", CodePage::Utf8, CodePage::Cp932);
  ASSERT_EQ(::mkdir((tmp / "新しい").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir((tmp / "新しい/" + legacy).c_str(), 0777), 0);
  const struct {
    std::string shown, bytes;
  } cases[] = {
      {tmp / "新しい/旧資料", tmp / "新しい/" + legacy},
      {tmp / "新しい/旧資料/", tmp / "新しい/" + legacy + "/"},
      {tmp / "新しい/旧資料/未作成/旧資料", tmp / "新しい/" + legacy + "/未作成/旧資料"},
      {tmp / "新しい/../新しい/x", tmp / "新しい/../新しい/x"},
      {"relative/旧資料", "relative/旧資料"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathFromText(c.shown), c.bytes) << c.shown;
    EXPECT_EQ(PathToUtf8(c.bytes), c.shown);
  }
  // Bytes neither encoding decodes are shown as replacement characters, never as mojibake.
  EXPECT_EQ(PathToUtf8("/a/\xFF\xFE"), "/a/\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace zv
