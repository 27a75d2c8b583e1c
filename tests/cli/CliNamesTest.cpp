// The file-name tool from the command line.

#include <map>
#include <string>

#include "CliTestSupport.h"

namespace zv::clitest {
namespace {

using FileMap = std::map<std::string, std::string>;

class CliNamesTest : public CliTest {};

TEST_F(CliNamesTest, ConvertsBaseNamesOnlyWithCaseAndSubfolderOptions) {
  Write("list.csv", "report,summary\r\ndoc,Text\r\ntxt,XX\r\n");
  Write("src/Report.TXT", "r1");
  Write("src/MyDOC_doc.md", "m");
  Write("src/notes.txt", "n");
  Write("src/sub/deep/report_2020.txt", "d");
  Write("src/sub/other.bin", "o");
  MakeDir("src/empty");
  const auto before = Tree("src");

  RunResult plain = Run({"names", "--list", "list.csv", "src", "out"});
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, "");
  EXPECT_EQ(plain.err, "");
  // Case-sensitive by default; the extension is never part of the match.
  EXPECT_EQ(Tree("out"),
            (std::map<std::string, std::string>{
                {"Report.TXT", "file:r1"}, {"MyDOC_Text.md", "file:m"}, {"notes.txt", "file:n"}}));

  RunResult nocase = Run({"names", "--list", "list.csv", "--nocase", "--subdir", "src", "out2"});
  EXPECT_EQ(nocase.status, 0) << nocase.err;
  // Untouched parts keep their case; replacements go in as typed; a folder
  // without collected files is not mirrored.
  EXPECT_EQ(Tree("out2"), (std::map<std::string, std::string>{{"summary.TXT", "file:r1"},
                                                              {"MyText_Text.md", "file:m"},
                                                              {"notes.txt", "file:n"},
                                                              {"sub", "dir"},
                                                              {"sub/deep", "dir"},
                                                              {"sub/deep/summary_2020.txt", "file:d"},
                                                              {"sub/other.bin", "file:o"}}));
  EXPECT_EQ(Tree("src"), before);
}

TEST_F(CliNamesTest, WholeNameMatchesTheWholeBaseName) {
  Write("list.csv", "\"report\",\"x\"\r\n");
  Write("src/REPORT.txt", "1");
  Write("src/report_2020.txt", "2");

  ASSERT_EQ(Run({"names", "--list", "list.csv", "--whole-name", "src", "exact"}).status, 0);
  EXPECT_EQ(Files("exact"), (FileMap{{"REPORT.txt", "1"}, {"report_2020.txt", "2"}}));

  ASSERT_EQ(Run({"names", "--list", "list.csv", "--whole-name", "--nocase", "src", "folded"}).status, 0);
  EXPECT_EQ(Files("folded"), (FileMap{{"x.txt", "1"}, {"report_2020.txt", "2"}}));

  // Without whole-name the same row replaces inside the name.
  ASSERT_EQ(Run({"names", "--list", "list.csv", "src", "inside"}).status, 0);
  EXPECT_EQ(Files("inside"), (FileMap{{"REPORT.txt", "1"}, {"x_2020.txt", "2"}}));
}

TEST_F(CliNamesTest, ExistingDestinationIsKeptUnlessOverwrite) {
  Write("list.csv", "report,summary\n");
  Write("src/report.txt", "new");
  Write("out/summary.txt", "old");

  RunResult kept = Run({"names", "--list", "list.csv", "--report", "r1.csv", "src", "out"});
  EXPECT_EQ(kept.status, 0) << "a refused copy is not a failure: " << kept.err;
  EXPECT_EQ(kept.err, "");
  EXPECT_EQ(Read("out/summary.txt"), "old");
  EXPECT_EQ(Read("r1.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/report.txt,out/summary.txt,exists,1,,\n");

  RunResult replaced =
      Run({"names", "--list", "list.csv", "--overwrite", "--report", "r2.csv", "src", "out"});
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(Read("out/summary.txt"), "new");
  EXPECT_EQ(Read("r2.csv"),
            "source,destination,action,replacements,error,encoding\n"
            "src/report.txt,out/summary.txt,copied,1,,\n");
}

TEST_F(CliNamesTest, PatternNarrowsFileNamesButNotTheFoldersWalked) {
  Write("list.csv", "zzz,y\n");
  Write("src/a.txt", "a");
  Write("src/B.TXT", "b");
  Write("src/c.md", "c");
  Write("src/sub.md/d.txt", "d");
  Write("src/sub.md/e.md", "e");

  ASSERT_EQ(Run({"names", "--list", "list.csv", "--pattern", "*.txt", "--subdir", "src", "txt"}).status, 0);
  EXPECT_EQ(Files("txt"), (FileMap{{"a.txt", "a"}, {"B.TXT", "b"}, {"sub.md/d.txt", "d"}}));

  ASSERT_EQ(Run({"names", "--list", "list.csv", "--pattern", "?.md", "src", "md"}).status, 0);
  EXPECT_EQ(Files("md"), (FileMap{{"c.md", "c"}}));
}

TEST_F(CliNamesTest, OutputInsideTheSourceIsNotTakenUpAgain) {
  Write("list.csv", "a,z\n");
  Write("src/a.txt", "A");
  Write("src/sub/b.txt", "B");

  RunResult r = Run({"names", "--list", "list.csv", "--subdir", "src", "src/out"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files("src"),
            (FileMap{{"a.txt", "A"}, {"sub/b.txt", "B"}, {"out/z.txt", "A"}, {"out/sub/b.txt", "B"}}));
}

TEST_F(CliNamesTest, NameLeadingOutOfTheOutputFolderFailsAndTheRunGoesOn) {
  Write("list.csv", "evil,../../escaped\n");
  Write("src/evil.txt", "x");
  Write("src/ok.txt", "ok");

  RunResult r = Run({"names", "--list", "list.csv", "src", "a/b/out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(Exists("a/escaped.txt"));
  EXPECT_EQ(Read("a/b/out/ok.txt"), "ok");
  // Named by the destination that cannot be written.
  EXPECT_EQ(r.err, "a/b/out/../../escaped.txt: 新しい名前が出力先のﾌｫﾙﾀﾞの外を指しています\n");
}

TEST_F(CliNamesTest, CopyOntoItselfNeverLosesTheSource) {
  Write("list.csv", "zzz,y\n");
  Write("src/keep.txt", "precious");

  Run({"names", "--list", "list.csv", "--overwrite", "src", "src"});
  EXPECT_EQ(Files("src"), (FileMap{{"keep.txt", "precious"}}));
  RunResult r = Run({"names", "--list", "list.csv", "src", "src"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Files("src"), (FileMap{{"keep.txt", "precious"}}));
}

}  // namespace
}  // namespace zv::clitest
