#pragma once
// Texts of the command-line program (UTF-8 source literals; the console turns
// them into the terminal's encoding).

namespace zv::texts {

inline constexpr const char* kCliVersion = "zentravolix-cli 1.0.1";

// "<list path>: ..." notes and errors about the conversion list.
inline constexpr const char* kListFromCp932 = "Shift-JIS (CP932) のリストを UTF-8 に変換して読み込みました";
inline constexpr const char* kListFromUtf8 = "UTF-8 のリストを Shift-JIS (CP932) に変換して読み込みました";
inline constexpr const char* kListFromUtf16ToUtf8 = "UTF-16 のリストを UTF-8 に変換して読み込みました";
inline constexpr const char* kListFromUtf16ToCp932 =
    "UTF-16 のリストを Shift-JIS (CP932) に変換して読み込みました";
inline constexpr const char* kListNotFound = "変換リストのファイルが見つかりません";
inline constexpr const char* kListNoUsableRow = "変換リストに使える行がありません";
inline constexpr const char* kListReadFailed = "変換リストを読み込めませんでした";

// "<path>: ..." errors about the other arguments.
inline constexpr const char* kOutputNotFolder = "出力先がﾌｫﾙﾀﾞではありません";
inline constexpr const char* kInputNotFound = "ファイルが見つかりません";
inline constexpr const char* kInputNotFile = "ファイルではありません";
inline constexpr const char* kExtListNotFound = "拡張子リストのファイルが見つかりません";
inline constexpr const char* kEncodingUnknownText = "文字コードを判別できません";
inline constexpr const char* kEncodingNotExactText = "この文字コードでは元のバイト列に戻らないため、変換しません";
inline constexpr const char* kPatternNotExpressible = "パターンに、このコードページで表せない文字があります";
inline constexpr const char* kReadFailed = "読み込みに失敗しました";
inline constexpr const char* kWriteFailed = "書き込みに失敗しました";
inline constexpr const char* kReportFailed = "結果のファイルを書き込めませんでした";
inline constexpr const char* kStdoutName = "標準出力";

inline constexpr const char* kInterrupted = "中断しました。処理中のファイルで停止しました。";

inline constexpr const char* kUsageError = "コマンドラインが正しくありません: ";
inline constexpr const char* kSeeHelp = "使い方は zentravolix-cli --help で確認してください。";

// Help.
inline constexpr const char* kHelpProgram =
    "Zentravolix のコマンドライン版: 変換リスト (CSV) の置換をファイル名、フォルダ内のテキスト、"
    "1 つのファイルのテキストに適用します。";
inline constexpr const char* kHelpNames =
    "ファイル名置換: SRC のファイルを変換後の名前で DST にコピーします (SRC は変更しません)";
inline constexpr const char* kHelpFolderText =
    "フォルダのテキスト置換: SRC のテキストファイルを変換して DST の同じ位置に書き込みます";
inline constexpr const char* kHelpText =
    "1 ファイルのテキスト置換: FILE を変換して標準出力か -o のファイルに書き出します";

inline constexpr const char* kHelpCheck =
    "変換リストの検査: 効かない行、互いに影響する行、見分けにくい行、文字コードで表せない行を表示します "
    "(見つからなければ終了ステータス 0、見つかれば 1)";
inline constexpr const char* kOptFormat = "出力の形式 (text または csv)。例: --format csv";

inline constexpr const char* kOptHelp = "このヘルプを表示する。例: zentravolix-cli names --help";
inline constexpr const char* kOptVersion = "バージョンを表示する。例: zentravolix-cli --version";
inline constexpr const char* kOptList =
    "変換リストの CSV ファイル (必須、16 MB まで。UTF-16 は BOM があれば変換)。例: --list list.csv";
inline constexpr const char* kOptPattern =
    "対象を絞り込むファイル名のパターン (* と ?、既定 *.*)。例: --pattern '*.txt'";
inline constexpr const char* kOptSubdir = "サブフォルダも検索する。例: --subdir";
inline constexpr const char* kOptNoCase = "大文字小文字を区別しない。例: --nocase";
inline constexpr const char* kOptWholeName =
    "ファイル名全体が検索文字と一致するときだけ変換する。例: --whole-name";
inline constexpr const char* kOptOverwriteNames =
    "出力先に同じ名前のファイルがあれば上書きする。例: --overwrite";
inline constexpr const char* kOptOverwriteText =
    "バイナリファイルのコピーで既存のファイルを置き換える (変換したテキストは常に置き換える)。例: "
    "--overwrite";
inline constexpr const char* kOptSkipBinary = "バイナリ拡張子のファイルをコピーしない。例: --skip-binary";
inline constexpr const char* kOptBinaryExt =
    "バイナリ拡張子のリスト (1 行に 1 つ、ドットなし、1 MB まで。既定は設定フォルダの ZentravolixExpList、"
    "無ければ組み込みのリスト: bmp jpg png zip exe など)。例: --binary-ext exts.txt";
inline constexpr const char* kOptEncoding =
    "テキストの文字コード: system (コードページのまま、既定)、auto (ファイルごとに判別)、932、65001、eucjp、"
    "iso2022jp、utf16。判別できないファイルはそのままコピーして報告します。例: --encoding auto";
inline constexpr const char* kOptKeepLineEnds =
    "改行コードを元のままにする (CR LF に揃えず、0x1A 以降も残す)。例: --keep-line-ends";
inline constexpr const char* kOptRemoveLineBreaks = "変換後に改行を取り除く。例: --remove-line-breaks";
inline constexpr const char* kOptOutput = "出力ファイル (既定: 標準出力)。例: -o out.txt";
inline constexpr const char* kOptCodePage =
    "コードページ (932 = Shift-JIS, 65001 = UTF-8)。例: --codepage 932";
inline constexpr const char* kOptDryRun =
    "処理の予定 (copy/convert/skip) を表示するだけで何も書き込まない。例: --dry-run";
inline constexpr const char* kOptReport =
    "処理結果の CSV (source,destination,action,replacements,error,encoding) を書き出す。例: --report result.csv";
inline constexpr const char* kOptJobs =
    "同時に処理するファイルの数 (既定: CPU のコア数)。結果は 1 のときと同じです。例: --jobs 4";
inline constexpr const char* kOptQuiet = "進行状況を表示しない。例: --quiet";
inline constexpr const char* kOptSrc = "変換元のﾌｫﾙﾀﾞ。例: ./in";
inline constexpr const char* kOptDst = "出力先のﾌｫﾙﾀﾞ (無ければ作成)。例: ./out";
inline constexpr const char* kOptDstText = "出力先のﾌｫﾙﾀﾞ (SRC と同じならその場で変換)。例: ./out";
inline constexpr const char* kOptFile = "変換するファイル。例: memo.txt";

inline constexpr const char* kHelpFooter =
    "例:\n"
    "  zentravolix-cli names --list list.csv --subdir --pattern '*.jpg' ./photos ./renamed\n"
    "  zentravolix-cli folder-text --list list.csv --subdir --skip-binary --report result.csv ./docs "
    "./docs-out\n"
    "  zentravolix-cli text --list list.csv --remove-line-breaks -o out.txt memo.txt\n"
    "  zentravolix-cli check --list list.csv\n"
    "終了ステータス: 0 = すべて処理した、1 = 失敗したファイルがある (標準出力に書けなかったときも)、"
    "2 = 引数や入力の誤り、128 + シグナル番号 = シグナルで中断 (Ctrl+C は 130)";

}  // namespace zv::texts
