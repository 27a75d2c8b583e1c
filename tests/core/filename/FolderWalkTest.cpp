#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engines/TreeFixture.h"
#include "filename/FileNameTexts.h"
#include "filename/FolderWalk.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace zv {
namespace {

using zvtest::TempDir;
using zvtest::WriteBytes;

struct WalkLog {
  std::vector<std::string> out;
  std::vector<std::tuple<int, int, std::string>> errors;
  WalkCallbacks Callbacks() {
    WalkCallbacks cb;
    cb.writeStdout = [this](const std::string& t) { out.push_back(t); };
    cb.systemError = [this](int code, int err, const std::string& f) { errors.emplace_back(code, err, f); };
    return cb;
  }
};

// Paths relative to root, for readable comparisons.
std::vector<std::string> Rel(const std::vector<std::string>& files, const std::string& root) {
  std::vector<std::string> out;
  for (const auto& f : files) out.push_back(f.substr(root.size() + 1));
  return out;
}

class FolderWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    // Own files of the top, then each subfolder depth first; names sorted.
    WriteBytes(tmp / "src/b.txt", "b");
    WriteBytes(tmp / "src/a.TXT", "a");
    WriteBytes(tmp / "src/c.bin", "c");
    WriteBytes(tmp / "src/.hidden.txt", "h");
    WriteBytes(tmp / "src/m/x.txt", "x");
    WriteBytes(tmp / "src/m/deep/y.txt", "y");
    WriteBytes(tmp / "src/m/deep/y.dat", "y");
    WriteBytes(tmp / "src/n.dir/z.txt", "z");
    std::filesystem::create_directories(tmp / "src/empty");
  }
  TempDir tmp;
  WalkLog log;
};

TEST_F(FolderWalk, OwnFilesBeforeSubfoldersDepthFirst) {
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(tmp / "src", "", true, files, log.Callbacks()));
  EXPECT_EQ(Rel(files, tmp / "src").size(), 8u);
  const std::vector<std::string> expected = {".hidden.txt", "a.TXT",        "b.txt",        "c.bin",
                                             "m/x.txt",     "m/deep/y.dat", "m/deep/y.txt", "n.dir/z.txt"};
  EXPECT_EQ(Rel(files, tmp / "src"), expected);
  EXPECT_TRUE(log.out.empty());
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(FolderWalk, PatternNarrowsFilesButNotTheFoldersDescended) {
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(tmp / "src", "*.txt", true, files, log.Callbacks()));
  const std::vector<std::string> expected = {".hidden.txt", "a.TXT",        "b.txt",
                                             "m/x.txt",     "m/deep/y.txt", "n.dir/z.txt"};
  EXPECT_EQ(Rel(files, tmp / "src"), expected);

  files.clear();
  ASSERT_TRUE(CollectFiles(tmp / "src", "?.*", true, files, log.Callbacks()));
  EXPECT_EQ(files.size(), 7u);  // every name of one character before the dot
}

TEST_F(FolderWalk, RecursionOffStaysInTheFolder) {
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(tmp / "src/", "*.*", false, files, log.Callbacks()));
  const std::vector<std::string> expected = {".hidden.txt", "a.TXT", "b.txt", "c.bin"};
  EXPECT_EQ(Rel(files, tmp / "src"), expected);
  // A trailing separator is not doubled in the collected paths.
  EXPECT_EQ(files[0], tmp / "src/.hidden.txt");
}

TEST_F(FolderWalk, AppendsToTheList) {
  std::vector<std::string> files = {"earlier"};
  ASSERT_TRUE(CollectFiles(tmp / "src/m/deep", "*.dat", true, files, log.Callbacks()));
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], "earlier");
  EXPECT_EQ(files[1], tmp / "src/m/deep/y.dat");
}

TEST_F(FolderWalk, MissingSourceFolderFailsWithPathNotFound) {
  std::vector<std::string> files;
  EXPECT_FALSE(CollectFiles(tmp / "nope", "*.*", true, files, log.Callbacks()));
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(std::get<0>(log.errors[0]), 3);
  EXPECT_TRUE(files.empty());

  // A file given as the folder is not a folder either.
  log.errors.clear();
  EXPECT_FALSE(CollectFiles(tmp / "src/b.txt", "*.*", true, files, log.Callbacks()));
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(std::get<0>(log.errors[0]), 3);
}

TEST_F(FolderWalk, SpecialFilesAndFolderLinksAreNotTaken) {
  ASSERT_EQ(::mkfifo((tmp / "src/pipe.txt").c_str(), 0644), 0);
  ASSERT_EQ(::symlink((tmp / "src/m").c_str(), (tmp / "src/linkdir").c_str()), 0);
  // A link back to the top would loop forever if it were followed.
  ASSERT_EQ(::symlink((tmp / "src").c_str(), (tmp / "src/m/loop").c_str()), 0);
  ASSERT_EQ(::symlink((tmp / "src/b.txt").c_str(), (tmp / "src/zlink.txt").c_str()), 0);
  std::vector<std::string> files;
  ASSERT_TRUE(CollectFiles(tmp / "src", "*.txt", true, files, log.Callbacks()));
  const std::vector<std::string> expected = {".hidden.txt", "a.TXT",        "b.txt",      "zlink.txt",
                                             "m/x.txt",     "m/deep/y.txt", "n.dir/z.txt"};
  EXPECT_EQ(Rel(files, tmp / "src"), expected);
}

// Root is never refused, so the walk runs in a child that gives up root first.
TEST_F(FolderWalk, RefusedFolderIsAnnouncedAndTheWalkGoesOn) {
  ASSERT_EQ(::chmod(tmp.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod((tmp / "src/m").c_str(), 0), 0);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(fds[0]);
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    std::vector<std::string> files;
    std::string report;
    WalkCallbacks cb;
    cb.writeStdout = [&report](const std::string& t) { report += "out:" + t; };
    cb.systemError = [&report](int code, int, const std::string&) {
      report += "err:" + std::to_string(code);
    };
    const bool ok = CollectFiles(tmp / "src", "*.txt", true, files, cb);
    report += ok ? "ok\n" : "false\n";
    for (const auto& f : files) report += f.substr(tmp.path().size() + 5) + "\n";
    if (::write(fds[1], report.data(), report.size()) < 0) ::_exit(3);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string report;
  char buf[512];
  for (ssize_t got; (got = ::read(fds[0], buf, sizeof buf)) > 0;)
    report.append(buf, static_cast<std::size_t>(got));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::chmod((tmp / "src/m").c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot drop root privileges here";
  ASSERT_EQ(WEXITSTATUS(status), 0);
  // Both listings of the refused folder announce it; the other subfolder is still walked.
  const std::string denied = texts::kAccessDeniedContinue;
  EXPECT_EQ(report, "out:" + denied + "out:" + denied + "ok\n.hidden.txt\na.TXT\nb.txt\nn.dir/z.txt\n");
  EXPECT_STREQ(texts::kAccessDeniedContinue, "アクセスが拒否されました。処理を続けます。\n");
  EXPECT_STREQ(texts::kDiskNotReady, "ディスクの準備ができていません。\n");
}

TEST_F(FolderWalk, EmptyFolderCollectsNothingWithoutComplaint) {
  std::vector<std::string> files;
  EXPECT_TRUE(CollectFiles(tmp / "src/empty", "*.*", true, files, log.Callbacks()));
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(log.errors.empty());
  EXPECT_TRUE(log.out.empty());
}

TEST(SystemErrorText, JapaneseTextsInTheActiveCodePage) {
  zvtest::CodePageScope restore(ActiveCodePage());
  SetActiveCodePage(CodePage::Utf8);
  EXPECT_EQ(SystemErrorText(3, ENOENT), "指定されたパスが見つかりません。");
  EXPECT_EQ(SystemErrorText(5, EACCES), "アクセスが拒否されました。");
  EXPECT_FALSE(SystemErrorText(99, EMFILE).empty());
  SetActiveCodePage(CodePage::Cp932);
  EXPECT_EQ(SystemErrorText(3, ENOENT),
            *ConvertCodePage("指定されたパスが見つかりません。", CodePage::Utf8, CodePage::Cp932));
}

TEST(ShortenPath, CutsToMaximumAtCharacterBoundaries) {
  zvtest::CodePageScope restore(ActiveCodePage());
  SetActiveCodePage(CodePage::Utf8);
  std::string out = "untouched";
  const std::string p55(55, 'p');
  ASSERT_TRUE(ShortenPath(p55, out, 60, 10));
  EXPECT_EQ(out, p55);

  std::string p56;
  for (int i = 0; i < 56; ++i) p56 += static_cast<char>('A' + i % 26);
  ASSERT_TRUE(ShortenPath(p56, out, 60, 10));
  EXPECT_EQ(out.size(), 60u);
  EXPECT_EQ(out, p56.substr(0, 10) + " ... " + p56.substr(11));

  out = "untouched";
  EXPECT_FALSE(ShortenPath(p56, out, 14, 10));
  EXPECT_EQ(out, "untouched");

  // CP932: byte 10 falls inside ア (0x83 0x41) that starts at byte 9; the tail
  // start (byte 70 - 45 = 25) falls inside one that starts at byte 24.
  SetActiveCodePage(CodePage::Cp932);
  const std::string a = "\x83\x41";
  std::string sj = std::string(9, 'h') + a + std::string(13, 'm') + a + std::string(70 - 26, 't');
  ASSERT_EQ(sj.size(), 70u);
  ASSERT_TRUE(ShortenPath(sj, out, 60, 10));
  EXPECT_EQ(out, std::string(9, 'h') + " ... " + std::string(70 - 26, 't'));
  EXPECT_LE(out.size(), 60u);

  // Each name is cut at its own boundaries, whatever the session: a CP932 name
  // in a 65001 session, a UTF-8 folder in a 932 session.
  for (CodePage session : {CodePage::Utf8, CodePage::Cp932}) {
    SetActiveCodePage(session);
    const std::string mixed = "/x\xE3\x81\x82\xE3\x81\x82\xE3\x81\x82/" + std::string(13, 'm') + a + std::string(44, 't');
    ASSERT_TRUE(ShortenPath(mixed, out, 60, 10));
    EXPECT_EQ(out, "/x\xE3\x81\x82\xE3\x81\x82 ... " + std::string(44, 't'));
  }
}

TEST(Mirror, RelativeSubfolderBelowTheOutputFolder) {
  const MirrorFolders m = PrepareMirror("/data/in", "/out");
  EXPECT_EQ(m.src, "/data/in/");
  EXPECT_EQ(m.dst, "/out/");
  EXPECT_EQ(m.srcDirLen, 9u);
  EXPECT_EQ(DestinationFolder(m, "/data/in/f.txt"), "/out/");
  EXPECT_EQ(DestinationFolder(m, "/data/in/x/y/f.txt"), "/out/x/y/");
  const MirrorFolders m2 = PrepareMirror("/data/in/", "/out/");
  EXPECT_EQ(m2.dst, "/out/");
  EXPECT_EQ(DestinationFolder(m2, "/data/in/x/f.txt"), "/out/x/");
}

TEST(Mirror, FolderEndingInTrailByteOfBackslashValue) {
  zvtest::CodePageScope restore(ActiveCodePage());
  SetActiveCodePage(CodePage::Cp932);
  const std::string so = "\x83\x5c";  // ソ
  const MirrorFolders m = PrepareMirror("/d/" + so, "/o" + so);
  EXPECT_EQ(m.src, "/d/" + so + "/");
  EXPECT_EQ(m.dst, "/o" + so + "/");
  EXPECT_EQ(DestinationFolder(m, "/d/" + so + "/sub" + so + "/f.txt"), "/o" + so + "/sub" + so + "/");
}

TEST(CreateDirectories, OutermostFirstAndExistingLeftAlone) {
  TempDir tmp;
  const std::string deep = tmp / "a/b/c/";
  CreateDirectories(deep);
  EXPECT_TRUE(zvtest::IsDir(tmp / "a/b/c"));

  WriteBytes(tmp / "a/b/c/keep.txt", "k");
  CreateDirectories(tmp / "a/b/c");
  EXPECT_EQ(zvtest::ReadBytes(tmp / "a/b/c/keep.txt"), "k");

  // A file in the way: nothing is created below it, nothing crashes.
  CreateDirectories(tmp / "a/b/c/keep.txt/under/");
  EXPECT_FALSE(zvtest::Exists(tmp / "a/b/c/keep.txt/under"));

  CreateDirectories("/");
  CreateDirectories("");
  CreateDirectories(std::string(5000, 'x') + "/");  // too long: refused quietly
}

TEST(RelationOf, OutputFolderAgainstTheSource) {
  TempDir tmp;
  CreateDirectories(tmp / "src/sub/");
  CreateDirectories(tmp / "other/");
  ASSERT_EQ(::symlink((tmp / "src").c_str(), (tmp / "link").c_str()), 0);
  const struct {
    std::string dst;
    FolderRelation expected;
  } cases[] = {
      {tmp / "src", FolderRelation::Same},
      {tmp / "src/", FolderRelation::Same},
      {tmp / "other/../src", FolderRelation::Same},
      {tmp / "link", FolderRelation::Same},  // a link to the source is the source
      {tmp / "src/sub", FolderRelation::Inside},
      {tmp / "src/new/deeper/", FolderRelation::Inside},  // not made yet
      {tmp / "link/new", FolderRelation::Inside},
      {tmp / "other", FolderRelation::Apart},
      {tmp / "src2", FolderRelation::Apart},  // a shared prefix is not a parent
      {tmp.path(), FolderRelation::Apart},  // the source inside the output is no risk to it
  };
  for (const auto& c : cases) EXPECT_EQ(RelationOf(tmp / "src", c.dst), c.expected) << c.dst;
}

TEST(CheckRunFolders, EmptyFieldsAreRefused) {
  EXPECT_EQ(CheckRunFolders("", "/o"), std::string(texts::kEmptySourceFolder));
  EXPECT_EQ(CheckRunFolders("", ""), std::string(texts::kEmptySourceFolder));
  EXPECT_EQ(CheckRunFolders("/s", ""), std::string(texts::kEmptyOutputFolder));
  EXPECT_EQ(CheckRunFolders("/s", "/o"), std::nullopt);
  EXPECT_STREQ(texts::kEmptySourceFolder, "変換元のﾌｫﾙﾀﾞを指定してください。");
  EXPECT_STREQ(texts::kEmptyOutputFolder, "出力先のﾌｫﾙﾀﾞを指定してください。");
}

}  // namespace
}  // namespace zv
