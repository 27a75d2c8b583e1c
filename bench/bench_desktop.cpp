// Times the desktop program's folder runs through the real run dialog
// (offscreen), taking turns with the command-line program on the same tree,
// and checks that both wrote the same output.
//
//   bench_desktop names|texts LIST SRC WORK [RUNS] [CLI]
//
// Each turn: the CLI (`names` or `folder-text`, --subdir --quiet, its default
// jobs) as a whole process into WORK/cli, then the dialog's 実行 into
// WORK/gui, timed from the click to the end of the run (the walk included,
// the list already open), then the preview of the same tree, from its start
// to its last row. Prints each figure's median and minimum, the ratio of the
// medians, and whether the outputs are identical.
// The config folder is ZENTRAVOLIX_CONFIG_DIR (made if missing); the session
// code page ZENTRAVOLIX_CODEPAGE (65001 unless set).

#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/ByteLimitedEdit.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "app/ZentravolixApp.h"
#include "filename/DlgBatchConvert.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"
#include "run/DlgPreview.h"
#include "run/FolderRun.h"
#include "settings/Settings.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double RunCli(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  QElapsedTimer t;
  t.start();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  // Status 1 (some file failed) still times a whole run; anything else is an error.
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1 ? ms : -1;
}

// Waits in the event loop until signal of sender fires (or a minute passes).
template <typename Sender, typename Signal>
void WaitFor(Sender* sender, Signal signal) {
  QEventLoop loop;
  QObject::connect(sender, signal, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  loop.exec();
}

std::string Contents(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Same relative paths, same bytes.
bool SameTree(const fs::path& a, const fs::path& b, std::size_t& files) {
  std::vector<std::string> pa, pb;
  for (const auto& e : fs::recursive_directory_iterator(a))
    if (e.is_regular_file()) pa.push_back(fs::relative(e.path(), a).string());
  for (const auto& e : fs::recursive_directory_iterator(b))
    if (e.is_regular_file()) pb.push_back(fs::relative(e.path(), b).string());
  std::sort(pa.begin(), pa.end());
  std::sort(pb.begin(), pb.end());
  files = pa.size();
  if (pa != pb) return false;
  for (const std::string& p : pa)
    if (Contents(a / p) != Contents(b / p)) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: bench_desktop names|texts LIST SRC WORK [RUNS] [CLI]\n");
    return 2;
  }
  const std::string tool = argv[1], list = fs::absolute(argv[2]), src = fs::absolute(argv[3]);
  const fs::path work = fs::absolute(argv[4]);
  const int runs = argc > 5 ? std::atoi(argv[5]) : 5;
  const std::string cli = argc > 6 ? argv[6] : fs::path(argv[0]).parent_path() / "../src/cli/zentravolix-cli";
  const bool names = tool == "names";
  if (!names && tool != "texts") return 2;

  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  if (qgetenv("ZENTRAVOLIX_CODEPAGE").isEmpty()) qputenv("ZENTRAVOLIX_CODEPAGE", "65001");
  if (qgetenv("ZENTRAVOLIX_CONFIG_DIR").isEmpty())
    qputenv("ZENTRAVOLIX_CONFIG_DIR", QByteArray::fromStdString((work / "config").string()));
  fs::create_directories(qgetenv("ZENTRAVOLIX_CONFIG_DIR").toStdString());
  zv::InitActiveCodePage();
  QApplication qapp(argc, argv);
  // Boxes and the summary answer themselves; the run dialog itself is shown.
  CUiPrompts::SetTestMode(true);

  // The options of the CLI's command line below: subfolders, and for names
  // case-sensitive matching of the name without its extension.
  if (names) {
    zv::FileOptions o;
    zv::LoadConvertFileOptions(o);
    o.subDir = "1";
    o.noCase = "0";
    o.part = "";
    zv::SaveConvertFileOptions(o);
  } else {
    zv::TextOptions o;
    zv::LoadConvertTextOptions(o);
    o.subDir = "1";
    zv::SaveConvertTextOptions(o);
  }

  CZentravolixApp app;
  if (!app.InitInstance({QStringLiteral("zentravolix"), PathToQString(list)})) return 1;
  CMainFrame* frame = app.MainFrame();
  CZentravolixView* view = frame->GetConvertView();
  if (view->RowCount() == 0) {
    std::fprintf(stderr, "the list %s has no rows\n", list.c_str());
    return 1;
  }
  frame->show();

  const fs::path outCli = work / "cli", outGui = work / "gui";
  std::vector<double> cliMs, guiMs, previewMs;
  for (int i = 0; i < runs; ++i) {
    fs::remove_all(outCli);
    // The CLI in the desktop's session code page.
    const double c = RunCli({cli, names ? "names" : "folder-text", "--quiet", "--subdir", "--codepage",
                             qgetenv("ZENTRAVOLIX_CODEPAGE").toStdString(),
                             "--list", list, src, outCli.string()});
    if (c < 0) {
      std::fprintf(stderr, "the CLI failed\n");
      return 1;
    }
    cliMs.push_back(c);

    fs::remove_all(outGui);
    CDlgBatchConvert dlg(frame, view);
    dlg.m_nMode = names ? CDlgBatchConvert::kModeFileName : CDlgBatchConvert::kModeFolderText;
    dlg.show();
    dlg.SrcEdit()->setText(PathToQString(src));
    dlg.DstEdit()->setText(PathToQString(outGui.string()));
    dlg.PatternEdit()->setText(QStringLiteral("*.*"));
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    dlg.ExecuteButton()->click();
    if (!dlg.IsIdleLook()) WaitFor(&dlg, &CDlgBatchConvert::RunFinished);
    guiMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    if (!view->Run() || view->Run()->End() != zv::RunEnd::Completed) {
      std::fprintf(stderr, "the desktop run did not complete\n");
      return 1;
    }

    CDlgPreview preview(&dlg, view, !names);
    preview.show();
    QApplication::processEvents();
    t.restart();
    if (!preview.Start(src, (work / "preview").string(), "*.*")) return 1;
    if (!preview.Run()->Ended()) WaitFor(&preview, &CDlgPreview::PreviewEnded);
    previewMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    preview.close();
    dlg.close();
  }

  std::size_t files = 0;
  const bool same = SameTree(outCli, outGui, files);
  std::printf("%s: %zu files, %d turns\n", tool.c_str(), files, runs);
  std::printf("cli      median %8.1f ms  min %8.1f ms\n", Median(cliMs), *std::min_element(cliMs.begin(), cliMs.end()));
  std::printf("desktop  median %8.1f ms  min %8.1f ms  (%.2fx the CLI)\n", Median(guiMs),
              *std::min_element(guiMs.begin(), guiMs.end()), Median(guiMs) / Median(cliMs));
  std::printf("preview  median %8.1f ms  min %8.1f ms  (%.2fx the desktop run)\n", Median(previewMs),
              *std::min_element(previewMs.begin(), previewMs.end()), Median(previewMs) / Median(guiMs));
  std::printf("outputs identical: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
