#include "app/ZentravolixApp.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/AboutDlg.h"
#include "app/AppTexts.h"
#include "app/CommandIds.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "list/ZentravolixDoc.h"

namespace {
CZentravolixApp* g_app = nullptr;

// Qt's own boxes, buttons and context menus speak the program's language,
// whatever the system's locale.
void InstallQtTranslations() {
  QCoreApplication* app = QCoreApplication::instance();
  const QString name = QStringLiteral("qtbaseJapanese");
  if (!app || app->findChild<QTranslator*>(name)) return;
  auto* translator = new QTranslator(app);
  translator->setObjectName(name);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

// The recent-file list must still find a file named relative to where the
// program started.
std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  std::string cwd(4096, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return path;
  cwd.resize(cwd.find('\0'));
  return cwd + (cwd.ends_with('/') ? "" : "/") + path;
}

}  // namespace

void InitZentravolixResources() { Q_INIT_RESOURCE(zentravolix); }

CZentravolixApp::CZentravolixApp() : m_pDoc(std::make_unique<CZentravolixDoc>()) { g_app = this; }

CZentravolixApp::~CZentravolixApp() {
  delete m_pMainWnd.data();
  if (g_app == this) g_app = nullptr;
}

CZentravolixApp* CZentravolixApp::Instance() { return g_app; }

CMainFrame* CZentravolixApp::MainFrame() const { return m_pMainWnd; }

bool CZentravolixApp::InitInstance(const QStringList& arguments) {
  std::vector<std::string> bytes;
  for (const QString& a : arguments) bytes.push_back(QStringToPath(a));
  return InitInstance(bytes);
}

bool CZentravolixApp::InitInstance(const std::vector<std::string>& arguments) {
  InitZentravolixResources();
  // The profile lives under this organisation and the application name.
  QCoreApplication::setOrganizationName(Ui(zv::texts::kRegistryKey));
  QCoreApplication::setApplicationName(Ui(zv::texts::kAppName));
  InstallQtTranslations();

  auto* frame = new CMainFrame(this);
  if (!frame->OnCreate()) {
    delete frame;
    return false;
  }
  m_pMainWnd = frame;
  frame->LoadWindowSettings();

  // The first argument that is not an option names a document; nothing else
  // on the command line means anything to the program.
  std::string file;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (!arguments[i].empty() && arguments[i].front() != '-') {
      file = arguments[i];
      break;
    }
  }
  // A file that cannot be opened at all ends the program; one that opens is
  // read as ﾌｧｲﾙを開く reads it, over the shown window, messages included.
  const bool opened = file.empty() ? m_pDoc->OnNewDocument() : m_pDoc->OnOpenDocument(file);
  if (!opened) {
    delete m_pMainWnd.data();
    return false;
  }
  m_pMainWnd->show();
  if (!file.empty()) m_pMainWnd->OpenListFile(Absolute(file));
  return true;
}

bool CZentravolixApp::OnCmdMsg(int id) {
  switch (id) {
    case ID_APP_ABOUT:
      OnAppAbout();
      return true;
    case ID_APP_EXIT:
      OnAppExit();
      return true;
    default:
      return false;
  }
}

std::optional<bool> CZentravolixApp::OnUpdateCmdUI(int) const { return std::nullopt; }

void CZentravolixApp::OnAppAbout() {
  CAboutDlg dlg(m_pMainWnd);
  CUiPrompts::DoModal(dlg);
}

void CZentravolixApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->close();
}
