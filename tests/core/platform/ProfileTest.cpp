#include <gtest/gtest.h>

#include <string>

#include "PlatformFixture.h"
#include "platform/Profile.h"

namespace zv {
namespace {

using zvplatformtest::GetFile;
using zvplatformtest::PutFile;
using zvplatformtest::TempDir;

const std::string kIni =
    "; settings\r\n"
    "orphan=before any section\r\n"
    "[CONVERTFILE]\r\n"
    "SUBDIR=1\r\n"
    "  NoCase  =  0  \r\n"
    "SRCDIR=\"  /data/in \"\r\n"
    "quoted='x'\r\n"
    "half=\"x\r\n"
    "empty=\r\n"
    "\r\n"
    "[ ConvertText ]\n"
    "SUBDIR=2\n"
    "[CONVERTFILE]\n"
    "PART=second section\n";

std::string Get(std::string_view section, std::string_view key, std::size_t size = 519) {
  return ProfileLookup(kIni, section, key, "<def>", size);
}

TEST(ProfileTest, Lookup) {
  EXPECT_EQ(Get("CONVERTFILE", "SUBDIR"), "1");
  EXPECT_EQ(Get("convertfile", "subdir"), "1");
  EXPECT_EQ(Get("CONVERTFILE", "NOCASE"), "0");
  EXPECT_EQ(Get("CONVERTFILE", "SRCDIR"), "  /data/in ");
  EXPECT_EQ(Get("CONVERTFILE", "quoted"), "x");
  EXPECT_EQ(Get("CONVERTFILE", "half"), "\"x");
  EXPECT_EQ(Get("CONVERTFILE", "empty"), "");
  EXPECT_EQ(Get("CONVERTTEXT", "SUBDIR"), "2");  // LF-only lines and blanks in the brackets
  EXPECT_EQ(Get("CONVERTTEXT", "NOCASE"), "<def>");
  EXPECT_EQ(Get("CONVERTFILE", "orphan"), "<def>");
  EXPECT_EQ(Get("NOSECTION", "SUBDIR"), "<def>");
  EXPECT_EQ(Get("CONVERTFILE", "PART"), "<def>");  // only the first section of a name counts
  EXPECT_EQ(ProfileLookup("", "S", "K", "dflt", 519), "dflt");
  EXPECT_EQ(ProfileLookup("[S]\nK=v", "S", "K", "dflt", 519), "v");  // no final line end
}

TEST(ProfileTest, ValueCutToTheBuffer) {
  const std::string longValue(600, 'p');
  const std::string ini = "[CONVERTFILE]\r\nSRCDIR=" + longValue + "\r\n";
  EXPECT_EQ(ProfileLookup(ini, "CONVERTFILE", "SRCDIR", "", 519), std::string(518, 'p'));
  EXPECT_EQ(ProfileLookup(ini, "CONVERTFILE", "SRCDIR", "", 1), "");
  EXPECT_EQ(ProfileLookup(ini, "CONVERTFILE", "SRCDIR", "", 0), "");
  EXPECT_EQ(ProfileLookup(ini, "CONVERTFILE", "NONE", "default", 4), "def");
}

TEST(ProfileTest, Update) {
  // A new section goes at the end, with CR LF line ends.
  EXPECT_EQ(ProfileUpdate("", "S", "K", "v"), "[S]\r\nK=v\r\n");
  EXPECT_EQ(ProfileUpdate("x=1", "S", "K", "v"), "x=1\r\n[S]\r\nK=v\r\n");
  // A new key goes after the last filled line of its section.
  EXPECT_EQ(ProfileUpdate("[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "s", "K", "v"),
            "[S]\r\na=1\r\nK=v\r\n\r\n[T]\r\nb=2\r\n");
  EXPECT_EQ(ProfileUpdate("[S]", "S", "K", "v"), "[S]\r\nK=v\r\n");
  // An existing key is replaced in its own section only; the rest stays as it was.
  const std::string before = "; note\n[A]\nK=old\nother line\n[B]\nK=keep\n";
  EXPECT_EQ(ProfileUpdate(before, "B", "k", "new"), "; note\n[A]\nK=old\nother line\n[B]\nk=new\n");
  EXPECT_EQ(ProfileUpdate(before, "A", "K", ""), "; note\n[A]\nK=\nother line\n[B]\nK=keep\n");
}

TEST(ProfileTest, ValuesReadBackAsWritten) {
  for (const std::string value : {"", "plain", " lead", "trail\t", "\"quoted\"", "'q'", "\"half", "a=b",
                                  "\x83\x5c\x95\x5c", "\xE3\x81\x82"}) {
    const std::string ini = ProfileUpdate("[S]\r\n", "S", "K", value);
    EXPECT_EQ(ProfileLookup(ini, "S", "K", "<def>", 519), value) << ini;
  }
  // Plain values are written as given, without quotes.
  EXPECT_EQ(ProfileUpdate("", "S", "K", "C:\\x y"), "[S]\r\nK=C:\\x y\r\n");
}

TEST(ProfileTest, FileAccess) {
  TempDir tmp;
  const std::string ini = tmp / "Zentravolix.ini";
  EXPECT_EQ(GetProfileString("CONVERTFILE", "NOCASE", "1", 519, ini), "1");

  ASSERT_TRUE(WriteProfileString("CONVERTFILE", "SUBDIR", "1", ini));
  ASSERT_TRUE(WriteProfileString("CONVERTTEXT", "SUBDIR", "0", ini));
  ASSERT_TRUE(WriteProfileString("CONVERTFILE", "SRCDIR", "/d/\x83\x5c", ini));
  ASSERT_TRUE(WriteProfileString("CONVERTFILE", "SUBDIR", "0", ini));
  EXPECT_EQ(GetFile(ini), "[CONVERTFILE]\r\nSUBDIR=0\r\nSRCDIR=/d/\x83\x5c\r\n[CONVERTTEXT]\r\nSUBDIR=0\r\n");
  EXPECT_EQ(GetProfileString("CONVERTFILE", "SRCDIR", "", 519, ini), "/d/\x83\x5c");
  EXPECT_EQ(GetProfileString("CONVERTTEXT", "SUBDIR", "", 519, ini), "0");
  EXPECT_EQ(zvplatformtest::Names(tmp.path()), "Zentravolix.ini;");

  // A line break would forge another line: refused, the file unchanged.
  EXPECT_FALSE(WriteProfileString("CONVERTFILE", "SRCDIR", "x\r\nNOCASE=0", ini));
  EXPECT_EQ(GetProfileString("CONVERTFILE", "NOCASE", "1", 519, ini), "1");

  EXPECT_FALSE(WriteProfileString("S", "K", "v", tmp / "missing/x.ini"));
  ASSERT_TRUE(PutFile(tmp / "lf.ini", "[S]\nK=1\n"));
  ASSERT_TRUE(WriteProfileString("S", "J", "2", tmp / "lf.ini"));
  EXPECT_EQ(GetFile(tmp / "lf.ini"), "[S]\nK=1\nJ=2\r\n");
}

}  // namespace
}  // namespace zv
