#include <CLI/CLI.hpp>

#include "CliOptions.h"
#include "CliTexts.h"
#include "Console.h"

namespace zv::cli {

namespace {

void AddListOption(CLI::App& sub, CliOptions& o) {
  sub.add_option("--list", o.list, texts::kOptList)->required()->type_name("LIST");
}

void AddWalkOptions(CLI::App& sub, CliOptions& o) {
  sub.add_option("--pattern", o.pattern, texts::kOptPattern)->type_name("PAT");
  sub.add_flag("--subdir", o.subdir, texts::kOptSubdir);
  sub.add_option("--jobs", o.jobs, texts::kOptJobs)
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u).description(""));
}

void AddEncodingOption(CLI::App& sub, std::string& encoding) {
  sub.add_option("--encoding", encoding, texts::kOptEncoding)
      ->type_name("auto|system|932|65001|eucjp|iso2022jp|utf16")
      ->check(
          CLI::IsMember({"auto", "system", "932", "65001", "eucjp", "iso2022jp", "utf16"}).description(""));
}

void AddCommonOptions(CLI::App& sub, CliOptions& o, std::string& codePage) {
  sub.add_option("--codepage", codePage, texts::kOptCodePage)
      ->type_name("932|65001")
      ->check(CLI::IsMember({"932", "65001"}).description(""));
  sub.add_flag("--dry-run", o.dryRun, texts::kOptDryRun);
  sub.add_option("--report", o.report, texts::kOptReport)->type_name("FILE");
  sub.add_flag("--quiet", o.quiet, texts::kOptQuiet);
  sub.set_help_flag("-h,--help", texts::kOptHelp);
}

}  // namespace

ParseOutcome ParseCommandLine(int argc, const char* const* argv, Console& console) {
  CliOptions o;
  std::string codePage;
  std::string encoding;

  CLI::App app(texts::kHelpProgram, "zentravolix-cli");
  app.set_help_flag("-h,--help", texts::kOptHelp);
  app.set_version_flag("--version", std::string(texts::kCliVersion), texts::kOptVersion);
  app.require_subcommand(1);
  app.footer(texts::kHelpFooter);

  CLI::App* names = app.add_subcommand("names", texts::kHelpNames);
  AddListOption(*names, o);
  AddWalkOptions(*names, o);
  names->add_flag("--nocase", o.noCase, texts::kOptNoCase);
  names->add_flag("--whole-name", o.wholeName, texts::kOptWholeName);
  names->add_flag("--overwrite", o.overwrite, texts::kOptOverwriteNames);
  AddCommonOptions(*names, o, codePage);
  names->add_option("SRC", o.src, texts::kOptSrc)->required()->type_name("");
  names->add_option("DST", o.dst, texts::kOptDst)->required()->type_name("");

  CLI::App* folderText = app.add_subcommand("folder-text", texts::kHelpFolderText);
  AddListOption(*folderText, o);
  AddWalkOptions(*folderText, o);
  folderText->add_flag("--overwrite", o.overwrite, texts::kOptOverwriteText);
  folderText->add_flag("--skip-binary", o.skipBinary, texts::kOptSkipBinary);
  folderText->add_option("--binary-ext", o.binaryExt, texts::kOptBinaryExt)->type_name("FILE");
  AddEncodingOption(*folderText, encoding);
  folderText->add_flag("--keep-line-ends", o.keepLineEnds, texts::kOptKeepLineEnds);
  AddCommonOptions(*folderText, o, codePage);
  folderText->add_option("SRC", o.src, texts::kOptSrc)->required()->type_name("");
  folderText->add_option("DST", o.dst, texts::kOptDstText)->required()->type_name("");

  CLI::App* text = app.add_subcommand("text", texts::kHelpText);
  AddListOption(*text, o);
  text->add_flag("--remove-line-breaks", o.removeLineBreaks, texts::kOptRemoveLineBreaks);
  text->add_option("-o,--output", o.output, texts::kOptOutput)->type_name("FILE");
  AddEncodingOption(*text, encoding);
  AddCommonOptions(*text, o, codePage);
  text->add_option("FILE", o.file, texts::kOptFile)->required()->type_name("");

  CLI::App* check = app.add_subcommand("check", texts::kHelpCheck);
  AddListOption(*check, o);
  std::string format = "text";
  check->add_option("--format", format, texts::kOptFormat)
      ->type_name("text|csv")
      ->check(CLI::IsMember({"text", "csv"}).description(""));
  check->add_option("--codepage", codePage, texts::kOptCodePage)
      ->type_name("932|65001")
      ->check(CLI::IsMember({"932", "65001"}).description(""));
  check->set_help_flag("-h,--help", texts::kOptHelp);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    // The top level documents every subcommand's options; a subcommand's
    // --help shows its own.
    const CLI::App* shown = &app;
    for (const CLI::App* sub : {names, folderText, text, check}) {
      if (sub->parsed()) shown = sub;
    }
    std::string help = shown == &app ? app.help("", CLI::AppFormatMode::All) : shown->help("zentravolix-cli");
    while (!help.empty() && help.back() == '\n') help.pop_back();
    console.Out(console.Lit(help));
    return {std::nullopt, 0};
  } catch (const CLI::CallForVersion&) {
    console.Out(texts::kCliVersion);
    return {std::nullopt, 0};
  } catch (const CLI::ParseError& e) {
    // CLI11's own detail is English; the sentence around it is ours.
    console.Error(console.Lit(texts::kUsageError) + e.what());
    console.Error(console.Lit(texts::kSeeHelp));
    return {std::nullopt, 2};
  }

  if (names->parsed()) {
    o.command = Command::Names;
  } else if (folderText->parsed()) {
    o.command = Command::FolderText;
  } else if (check->parsed()) {
    o.command = Command::Check;
    o.csv = format == "csv";
  } else {
    o.command = Command::Text;
  }
  if (!codePage.empty()) o.codePage = ParseCodePage(codePage);
  if (!encoding.empty()) o.encoding = ParseEncodingChoice(encoding).value_or(EncodingChoice::System);
  return {std::move(o), 0};
}

}  // namespace zv::cli
