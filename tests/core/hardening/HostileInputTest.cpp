// Hostile bytes and sizes: NUL bytes and broken multibyte sequences in lists,
// texts and names, a 200 MB line, paths near PATH_MAX, names that grow past
// NAME_MAX, and converted names that try to leave the output folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engines/TreeFixture.h"
#include "filename/FileNameEngine.h"
#include "filename/FolderWalk.h"
#include "hardening/FaultSweep.h"
#include "list/ConvertListFile.h"
#include "platform/File.h"
#include "settings/BinaryExtList.h"
#include "text/FolderTextEngine.h"
#include "text/TextConvert.h"

namespace zvtest {
namespace {

using zv::CodePage;
using zv::FileAction;

struct NameRun {
  zv::RunEnd end{};
  RecordingSink sink;
  RecordingErrors errors;
  std::vector<std::string> files;
};

NameRun RunNames(const std::string& src, const std::string& out, const zv::ConvertRows& rows,
                 bool overwrite = false) {
  NameRun run;
  zv::CollectFiles(src, "*.*", true, run.files, {});
  zv::FileNameRunOptions options;
  options.overwrite = overwrite;
  zv::FileNameEngine engine(run.files, src, out, options);
  CountingRows source(rows);
  std::atomic<int> running{1};
  run.end = engine.Run(source, run.sink, run.errors, running);
  return run;
}

struct TextRun {
  zv::RunEnd end{};
  RecordingSink sink;
  RecordingErrors errors;
};

TextRun RunTexts(const std::string& src, const std::string& out, const zv::ConvertRows& rows, CodePage cp) {
  TextRun run;
  std::vector<std::string> files;
  zv::CollectFiles(src, "*.*", true, files, {});
  zv::FolderTextRunOptions options;
  options.isTextFile = [](const std::string&) { return true; };
  zv::FolderTextEngine engine(files, src, out, options, cp);
  CountingRows source(rows);
  std::atomic<int> running{1};
  run.end = engine.Run(source, run.sink, run.errors, running);
  return run;
}

// What happened to the source file whose path ends in srcSuffix.
std::optional<FileAction> ActionOf(const RecordingSink& sink, const std::string& srcSuffix) {
  for (const zv::FileOutcome& o : sink.outcomes)
    if (o.src.size() >= srcSuffix.size() &&
        o.src.compare(o.src.size() - srcSuffix.size(), srcSuffix.size(), srcSuffix) == 0)
      return o.action;
  return std::nullopt;
}

bool BuiltWithSanitizers() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

TEST(HostileInput, ListWithNulBytesAndBrokenSequences) {
  ScratchDir dir;
  const std::string path = dir / "list.csv";
  // A NUL in both fields, a lead byte before the comma, a lead byte that ends
  // the line, a lone trail-range byte, and 0x80 (valid in neither code page,
  // so the file is read as it stands in both).
  const std::string content = std::string("\"a\0b\",\"x\0y\"\r\n", 13) +
                              "ab\x83,c\r\n"
                              "\x83\\,so\r\n"
                              "abc,de\x83\r\n"
                              "\x40\x80,lone\r\n";
  WriteBytes(path, content);
  for (CodePage cp : {CodePage::Cp932, CodePage::Utf8}) {
    zv::ConvertRows rows;
    int failures = 0;
    const auto r = zv::LoadConvertList(
        path, rows, [&](const std::string&) { ++failures; }, cp);
    ASSERT_TRUE(r.io.ok);
    EXPECT_FALSE(r.convertedFrom);
    EXPECT_EQ(failures, 0);
    const zv::ConvertRows want = {{std::string("a\0b", 3), std::string("x\0y", 3)},
                                  {"ab\x83", "c"},
                                  {"\x83\\", "so"},
                                  {"abc", "de\x83"},
                                  {"\x40\x80", "lone"}};
    EXPECT_EQ(rows, want) << static_cast<int>(cp);
    // Saved and read again: the same bytes, NULs included.
    ASSERT_TRUE(zv::SaveConvertList(dir / "again.csv", rows).ok);
    zv::ConvertRows again;
    ASSERT_TRUE(zv::LoadConvertList(dir / "again.csv", again, nullptr, cp).io.ok);
    EXPECT_EQ(again, rows);
  }
}

TEST(HostileInput, TextsWithNulBytesAndBrokenSequences) {
  // CP932: 0x83 0x5C is one character, so the backslash row must not touch
  // it; a lead byte that ends the text stays a character of its own.
  {
    std::string text = std::string("a\0b\\\x83\\\x40\x83", 9);
    EXPECT_EQ(zv::ApplyList(text, {{"\\", "/"}, {"b", "B"}}, CodePage::Cp932), 2u);
    EXPECT_EQ(text, std::string("a\0B/\x83\\\x40\x83", 9));
  }
  // UTF-8: a lone continuation byte before an ASCII match, a truncated
  // sequence at the end, a search string that is itself a broken sequence.
  {
    std::string text =
        "\x82"
        "a\xE3\x81\x82x\xE3\x81";
    // Inside the whole character 0x81 is no character of its own; after the
    // truncated lead at the end it is.
    EXPECT_EQ(zv::ApplyList(text, {{"a", "b"}, {"\x81", "?"}}, CodePage::Utf8), 2u);
    EXPECT_EQ(text,
              "\x82"
              "b\xE3\x81\x82x\xE3?");
  }
  // Both readers keep NUL bytes and broken sequences as they are.
  const std::string raw = std::string("a\0b\r\n\xE3\x81\r\n\x83", 10);
  EXPECT_EQ(zv::FolderTextFromBytes(raw), std::string("a\0b\n\xE3\x81\n\x83\n", 9));
  EXPECT_EQ(zv::SingleFileTextFromBytes(raw), std::string("a\0b\r\n\xE3\x81\r\n\x83\r\n", 12));

  // Through a folder run: the output holds every byte, converted where a row matched.
  ScratchDir dir;
  WriteBytes(dir / "src/t.txt", raw);
  const TextRun run = RunTexts(dir / "src", dir / "out", {{"b", "B"}}, CodePage::Cp932);
  EXPECT_EQ(run.end, zv::RunEnd::Completed);
  EXPECT_EQ(ReadBytes(dir / "out/t.txt"), std::string("a\0B\r\n\xE3\x81\r\n\x83\r\n", 12));
}

TEST(HostileInput, NamesWithBrokenSequencesAndNulBytes) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  WriteBytes(src + "/bad\xFF\xFE.txt", "1");
  WriteBytes(src + "/x\x83.txt", "2");  // a lead byte just before the dot
  WriteBytes(src + "/report.txt", "3");
  WriteBytes(dir / "out/victim", "keep");
  // A replacement with a NUL would name another file if it reached the system.
  const NameRun run =
      RunNames(src, out, {{"bad", "good"}, {"x", "y"}, {"report", std::string("victim\0", 7)}},
               /*overwrite=*/true);
  EXPECT_EQ(run.end, zv::RunEnd::Completed);
  EXPECT_EQ(ReadBytes(out + "/good\xFF\xFE.txt"), "1");
  EXPECT_EQ(ReadBytes(out + "/y\x83.txt"), "2");
  EXPECT_EQ(ActionOf(run.sink, "/report.txt"), FileAction::Failed);
  EXPECT_EQ(ReadBytes(out + "/victim"), "keep");
  EXPECT_EQ(Files(out).size(), 3u);
  EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
}

TEST(HostileInput, NulInAPathIsRefusedByTheFileLayer) {
  ScratchDir dir;
  WriteBytes(dir / "a", "keep");
  const std::string withNul = dir / std::string("a\0b", 3);
  std::string bytes;
  EXPECT_EQ(zv::ReadFileBytes(withNul, bytes).err, EINVAL);
  EXPECT_EQ(zv::WriteFileAtomic(withNul, "new").err, EINVAL);
  EXPECT_EQ(zv::CopyFileKeep(dir / "a", withNul, false).err, EINVAL);
  EXPECT_EQ(zv::CopyFileKeep(dir / "a", withNul, true).err, EINVAL);
  EXPECT_EQ(zv::CreateOneDirectory(withNul).err, EINVAL);
  EXPECT_NE(zv::ListDirectory(dir / std::string("\0", 1), "*.*").code, zv::kListOk);
  EXPECT_EQ(ReadBytes(dir / "a"), "keep");
  EXPECT_EQ(Files(dir.path()).size(), 1u);
}

TEST(HostileInput, TwoHundredMegabyteSingleLine) {
  if (BuiltWithSanitizers())
    GTEST_SKIP() << "200 MB under a sanitizer takes minutes and gigabytes; covered by the plain build";
  ScratchDir dir;
  constexpr std::size_t kSize = 200u << 20;
  std::string big(kSize, 'a');
  for (std::size_t at : {std::size_t{0}, kSize / 2, kSize - 6}) big.replace(at, 6, "needle");
  WriteBytes(dir / "src/big.txt", big);

  // Above the threshold it goes piece by piece ('a' ends a piece); with a
  // list that leaves no place to cut (every ASCII byte in a search string)
  // it is read whole. Both give the same file.
  std::string everyAscii;
  for (int c = 0; c < 0x80; ++c) everyAscii += static_cast<char>(c);
  for (const zv::ConvertRows& rows :
       {zv::ConvertRows{{"needle", "pin"}}, zv::ConvertRows{{"needle", "pin"}, {everyAscii, "-"}}}) {
    std::filesystem::remove_all(dir / "out");
    const TextRun run = RunTexts(dir / "src", dir / "out", rows, CodePage::Utf8);
    ASSERT_EQ(run.end, zv::RunEnd::Completed);
    ASSERT_EQ(run.sink.outcomes.size(), 1u);
    EXPECT_EQ(run.sink.outcomes[0].replacements, 3u);
    const auto out = ReadBytes(dir / "out/big.txt");
    ASSERT_TRUE(out);
    // One line in, one line out: the text gains its line end, loses 9 bytes.
    ASSERT_EQ(out->size(), kSize - 9 + 2);
    EXPECT_EQ(out->substr(0, 4), "pina");
    EXPECT_EQ(out->substr(kSize / 2 - 6, 7), "aaapina");  // the first one is 3 bytes shorter
    EXPECT_EQ(out->substr(out->size() - 5), "pin\r\n");
    EXPECT_EQ(out->find("needle"), std::string::npos);
  }

  // The single-file reader takes it; the list reader refuses it, past its
  // size limit, and leaves the rows as they were.
  std::string text;
  ASSERT_TRUE(zv::ReadSingleFileText(dir / "src/big.txt", text).ok);
  EXPECT_EQ(text.size(), kSize + 2);
  zv::ConvertRows rows{{"keep", "me"}};
  const auto list = zv::LoadConvertList(dir / "src/big.txt", rows, nullptr, CodePage::Utf8);
  EXPECT_EQ(list.added, -1);
  EXPECT_EQ(list.io.op, zv::FileOp::Refuse);
  EXPECT_EQ(rows, (zv::ConvertRows{{"keep", "me"}}));
}

// Nested folders of names up to 250 bytes, making a path of exactly `length` bytes.
std::string DeepFolder(const std::string& base, std::size_t length) {
  std::string path = base;
  while (path.size() + 1 + 250 + 1 < length) path += "/" + std::string(250, 'd');
  path += "/" + std::string(length - path.size() - 1, 'e');
  std::filesystem::create_directories(path);
  return path;
}

TEST(HostileInput, PathsNearPathMax) {
  ScratchDir dir;
  const std::string src = dir / "s";
  // A file whose path is two bytes short of PATH_MAX, with a 100-byte name.
  const std::string deep = DeepFolder(src + "/deep", PATH_MAX - 3 - 100);
  const std::string name = std::string(96, 'f') + ".txt";
  WriteBytes(deep + "/" + name, "deep");
  WriteBytes(src + "/a.txt", "first");
  WriteBytes(src + "/zzz/b.txt", "last");
  ASSERT_EQ((deep + "/" + name).size(), static_cast<std::size_t>(PATH_MAX - 2));
  // A source whose own path is past PATH_MAX, made below the folder's descriptor.
  const std::string tooLong = std::string(150, 'g') + ".txt";
  const int deepFd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(deepFd, 0);
  const int made = ::openat(deepFd, tooLong.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(made, 0);
  ::close(made);
  // Removed the same way: a removal by its whole path would fail.
  struct RemoveAt {
    int fd;
    std::string name;
    ~RemoveAt() {
      ::unlinkat(fd, name.c_str(), 0);
      ::close(fd);
    }
  } removeLong{deepFd, tooLong};

  // A longer output folder pushes the near one's destination past PATH_MAX.
  const std::string out = dir / std::string(60, 'o');
  const NameRun names = RunNames(src, out, {{"zzzz", "y"}});
  EXPECT_EQ(names.end, zv::RunEnd::Completed);
  ASSERT_EQ(names.files.size(), 4u);  // the walk takes the long one, so the run reports it
  EXPECT_EQ(ActionOf(names.sink, "/" + name), FileAction::Failed);
  EXPECT_EQ(ActionOf(names.sink, "/" + tooLong), FileAction::Failed);
  EXPECT_EQ(names.errors.messages.size(), 2u);
  EXPECT_EQ(ReadBytes(out + "/a.txt"), "first");
  EXPECT_EQ(ReadBytes(out + "/zzz/b.txt"), "last");  // the run went on

  const std::string out2 = dir / std::string(61, 'p');
  const TextRun texts = RunTexts(src, out2, {{"x", "y"}}, CodePage::Utf8);
  EXPECT_EQ(texts.end, zv::RunEnd::Completed);
  ASSERT_EQ(texts.errors.messages.size(), 2u);
  for (const std::string& m : texts.errors.messages)
    EXPECT_NE(m.find("ﾊﾟｽが誤っています"), std::string::npos) << m;
  EXPECT_EQ(ReadBytes(out2 + "/a.txt"), "first\r\n");
  EXPECT_EQ(ReadBytes(out2 + "/zzz/b.txt"), "last\r\n");  // the run went on

  // With a short output folder the same file is copied.
  const std::string out3 = dir / "o";
  const NameRun fits = RunNames(src, out3, {});
  EXPECT_EQ(ActionOf(fits.sink, "/" + name), FileAction::Copied);
  EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
}

TEST(HostileInput, NamesThatGrowPastNameMax) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  const std::string fits(120, 'a'), grows(130, 'b');
  WriteBytes(src + "/" + fits + ".txt", "fits");
  WriteBytes(src + "/" + grows + ".txt", "too long");
  WriteBytes(src + "/z.txt", "after");
  const NameRun run = RunNames(src, out, {{"a", "aa"}, {"b", "bb"}});
  EXPECT_EQ(run.end, zv::RunEnd::Completed);
  EXPECT_EQ(ReadBytes(out + "/" + std::string(240, 'a') + ".txt"), "fits");  // 244 bytes: allowed
  EXPECT_EQ(ActionOf(run.sink, "/" + grows + ".txt"), FileAction::Failed);   // 264 bytes
  EXPECT_EQ(ReadBytes(out + "/z.txt"), "after");
  EXPECT_EQ(Files(out).size(), 2u);
}

TEST(HostileInput, ConvertedNamesNeverLeaveTheOutputFolder) {
  ScratchDir dir;
  const std::string src = dir / "src", out = dir / "out";
  for (const char* n : {"A1.txt", "B2.txt", "C3", "D4", "E5.txt", "F6.txt", "G7.txt"})
    WriteBytes(src + "/" + n, n);
  WriteBytes(out + "/sub/old.txt", "old");
  WriteBytes(dir / "victim/x.txt", "victim");
  const auto victim = TreeState(dir / "victim");
  const auto source = TreeState(src);

  const NameRun run = RunNames(src, out,
                               {{"A1", "../victim/x"},
                                {"B2", "sub/moved"},
                                {"C3", ".."},
                                {"D4", "."},
                                {"E5", "/victim/x"},
                                {"F6", "ok/../../../victim/x"},
                                {"G7", "nosuchdir/y"}},
                               /*overwrite=*/true);
  EXPECT_EQ(run.end, zv::RunEnd::Completed);
  EXPECT_EQ(TreeState(dir / "victim"), victim);
  EXPECT_EQ(TreeState(src), source);
  for (const char* refused : {"/A1.txt", "/C3", "/D4", "/F6.txt", "/G7.txt"})
    EXPECT_EQ(ActionOf(run.sink, refused), FileAction::Failed) << refused;
  // A slash names a subfolder inside the output folder: allowed where it exists.
  EXPECT_EQ(ReadBytes(out + "/sub/moved.txt"), "B2.txt");
  // A leading slash stays below the output folder ("out//victim/x.txt"), whose "victim" is missing.
  EXPECT_EQ(ActionOf(run.sink, "/E5.txt"), FileAction::Failed);
  EXPECT_EQ(Files(out),
            (std::map<std::string, std::string>{{"sub/moved.txt", "B2.txt"}, {"sub/old.txt", "old"}}));
  EXPECT_TRUE(TemporaryFiles(dir.path()).empty());
}

}  // namespace
}  // namespace zvtest
