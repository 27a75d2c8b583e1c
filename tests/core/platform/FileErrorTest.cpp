#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "PlatformFixture.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/PlatformTexts.h"

namespace zv {
namespace {

using zvplatformtest::PutFile;
using zvplatformtest::TempDir;

TEST(FileErrorTest, MessagesOfFailedOpens) {
  TempDir tmp;
  std::string out;
  // The folder is missing: a bad path.
  const std::string noFolder = tmp / "nofolder/f.txt";
  EXPECT_EQ(FileErrorMessage(ReadFileBytes(noFolder, out)), noFolder + ": ﾊﾟｽが誤っています");
  EXPECT_EQ(FileErrorMessage(WriteFileAtomic(noFolder, "x")), noFolder + ": ﾊﾟｽが誤っています");
  // The folder exists, the file does not: no box.
  EXPECT_EQ(FileErrorMessage(ReadFileBytes(tmp / "none.txt", out)), std::nullopt);
  // A file where a folder is expected.
  ASSERT_TRUE(PutFile(tmp / "plain", ""));
  EXPECT_EQ(FileErrorMessage(ReadFileBytes(tmp / "plain/f", out)), tmp / "plain/f" + ": ﾊﾟｽが誤っています");
  // A folder where a file is expected.
  EXPECT_EQ(FileErrorMessage(WriteFileAtomic(tmp.path(), "x")), tmp.path() + ": ﾌｧｲﾙｱｸｾｽ禁止です");
  // No name at all.
  EXPECT_EQ(FileErrorMessage(ReadFileBytes("", out)), "ﾌｧｲﾙ名なし: ﾊﾟｽが誤っています");
  // A name longer than the system takes.
  const std::string longName = tmp / std::string(300, 'n');
  EXPECT_EQ(FileErrorMessage(ReadFileBytes(longName, out)), longName + ": ﾊﾟｽが誤っています");

  // A lock held by another opener is a sharing violation: no box.
  const int fd = ::open((tmp / "plain").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  const FileResult locked = ReadFileBytes(tmp / "plain", out);
  ::close(fd);
  EXPECT_FALSE(locked);
  EXPECT_EQ(FileErrorMessage(locked), std::nullopt);
}

TEST(FileErrorTest, AccessDenied) {
  TempDir tmp;
  ASSERT_TRUE(PutFile(tmp / "ro.txt", "x", 0444));
  // Root writes read-only files, so the refusal comes through the fault seam.
  SetFileFaultHook([](FileOp op, const std::string&) { return op == FileOp::Open ? EACCES : 0; });
  const FileResult r = WriteFileAtomic(tmp / "ro.txt", "y");
  SetFileFaultHook(nullptr);
  EXPECT_EQ(FileErrorMessage(r), tmp / "ro.txt" + ": ﾌｧｲﾙｱｸｾｽ禁止です");
  EXPECT_EQ(zvplatformtest::GetFile(tmp / "ro.txt"), "x");

  // The real errno, from a process that is not root.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    std::string out;
    const FileResult denied = ReadFileBytes(tmp / "ro.txt", out);  // the temp folder is 0700
    ::_exit(FileErrorMessage(denied) == tmp / "ro.txt" + ": ﾌｧｲﾙｱｸｾｽ禁止です" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "could not drop privileges";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(FileErrorTest, WriteToFullDisk) {
  // Written directly: nothing may be created beside the device.
  const int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "/dev/full is not available";
  const ssize_t n = ::write(fd, "x", 1);
  const int err = errno;
  ::close(fd);
  ASSERT_EQ(n, -1);
  const FileResult r = FileResult::Fail(FileOp::Write, err, "/dev/full");
  EXPECT_EQ(CauseOf(r), FileCause::DiskFull);
  EXPECT_EQ(FileErrorMessage(r), "/dev/full: ﾃﾞｨｽｸが一杯です");
}

TEST(FileErrorTest, CausesByOperation) {
  TempDir tmp;
  const std::string p = tmp / "f";
  // Any failed write, flush or rename is a full disk unless access was denied.
  for (FileOp op : {FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    EXPECT_EQ(CauseOf(FileResult::Fail(op, EIO, p)), FileCause::DiskFull);
    EXPECT_EQ(CauseOf(FileResult::Fail(op, EDQUOT, p)), FileCause::DiskFull);
    EXPECT_EQ(CauseOf(FileResult::Fail(op, EROFS, p)), FileCause::AccessDenied);
  }
  // A read failing midway is a general failure.
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Read, EIO, p)), FileCause::None);
  // Opens take their cause from errno.
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Open, EIO, p)), FileCause::HardwareError);
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Open, ENOSPC, p)), FileCause::DiskFull);
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Open, EPERM, p)), FileCause::AccessDenied);
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Open, ELOOP, p)), FileCause::BadPath);
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::Open, EMFILE, p)), FileCause::None);
  EXPECT_EQ(CauseOf(FileResult::Fail(FileOp::CreateDir, EEXIST, p)), FileCause::None);
  EXPECT_EQ(CauseOf(FileResult::Ok()), FileCause::None);
  EXPECT_EQ(FileErrorMessage(FileResult::Fail(FileOp::Open, EIO, p)), p + ": ﾊｰﾄﾞｳｪｱｴﾗｰです");
  EXPECT_EQ(CauseText(FileCause::None), nullptr);
}

TEST(FileErrorTest, MessageInTheActiveCodePage) {
  const CodePage saved = ActiveCodePage();
  SetActiveCodePage(CodePage::Cp932);
  const std::string path = "/no/such/\x83\x5c.txt";  // ソ.txt in CP932
  const auto msg = FileErrorMessage(FileResult::Fail(FileOp::Open, ENOENT, path));
  const auto noName = FileErrorMessage(FileResult::Fail(FileOp::Write, ENOSPC, ""));
  SetActiveCodePage(saved);
  ASSERT_TRUE(msg);
  // ﾊﾟｽが誤っています: half-width katakana are single bytes in CP932.
  EXPECT_EQ(*msg, path + ": \xca\xdf\xbd\x82\xaa\x8c\xeb\x82\xc1\x82\xc4\x82\xa2\x82\xdc\x82\xb7");
  EXPECT_EQ(ToUtf8(*noName, CodePage::Cp932), "ﾌｧｲﾙ名なし: ﾃﾞｨｽｸが一杯です");
}

// Every failure gets a message naming its path as bytes, with the texts in
// the session's code page; a display takes it apart again by its template.
TEST(FileErrorTest, EveryFailureHasAMessageThatComesApartAgain) {
  const std::string path = "/d/\x95\x5c.txt";  // a legacy name: CP932 bytes
  for (CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
    const CodePage saved = ActiveCodePage();
    SetActiveCodePage(cp);
    auto local = [cp](const char* utf8) { return *FromUtf8(utf8, cp); };
    const std::string locked = FileFailureMessage(FileResult::Fail(FileOp::Open, EWOULDBLOCK, path));
    EXPECT_EQ(locked, path + ": " + local("開けませんでした") + " (Resource temporarily unavailable)");
    EXPECT_EQ(FileFailureMessage(FileResult::Fail(FileOp::Refuse, kRefusedTooLarge, path)),
              path + ": " + local("ﾌｧｲﾙが大きすぎます"));
    // The file error message stays as it was where there is one.
    EXPECT_EQ(FileFailureMessage(FileResult::Fail(FileOp::Write, ENOSPC, path)),
              path + ": " + local("ﾃﾞｨｽｸが一杯です"));

    const auto args = MatchMessage(locked, "%1: 開けませんでした (%2)");
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (std::vector<std::string_view>{path, "Resource temporarily unavailable"}));
    const std::string twice = FormatMessage("%1: 重複（%2 と %3）", {"o", path, "b"});
    EXPECT_EQ(twice, "o: " + local("重複（") + path + local(" と ") + "b" + local("）"));
    EXPECT_EQ(MatchMessage(twice, "%1: 重複（%2 と %3）"), (std::vector<std::string_view>{"o", path, "b"}));
    EXPECT_FALSE(MatchMessage(locked, "%1: 重複（%2 と %3）"));
    SetActiveCodePage(saved);
  }
}

}  // namespace
}  // namespace zv
