#include "GuiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/AppTexts.h"
#include "app/MainFrame.h"
#include "app/QStringBytes.h"
#include "app/ZentravolixApp.h"
#include "list/ZentravolixView.h"
#include "platform/CodePage.h"

namespace gt {

namespace {
std::unique_ptr<QTemporaryDir> g_temp;
int g_dirCount = 0;

// Qt leaves out names that are not UTF-8 when it removes a folder; the
// tests make legacy CP932 names, so the folder is removed by bytes.
void RemoveTemp() {
  if (!g_temp) return;
  std::error_code ec;
  std::filesystem::remove_all(QFile::encodeName(g_temp->path()).toStdString(), ec);
  g_temp.reset();
}
}  // namespace

void InitGuiTests() {
  g_temp = std::make_unique<QTemporaryDir>();
  Q_ASSERT(g_temp->isValid());
  std::atexit(RemoveTemp);
  const QString config = g_temp->filePath(QStringLiteral("config"));
  QDir().mkpath(config);
  qputenv("ZENTRAVOLIX_CONFIG_DIR", config.toUtf8());
  // The profile (window places, recent files, folders) never reaches the
  // real user's.
  const QString profile = g_temp->filePath(QStringLiteral("profile"));
  for (auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, profile);
    QSettings::setPath(format, QSettings::SystemScope, profile + QStringLiteral("/system"));
  }
  QCoreApplication::setOrganizationName(Ui(zv::texts::kRegistryKey));
  QCoreApplication::setApplicationName(Ui(zv::texts::kAppName));
  CUiPrompts::SetTestMode(true);
  // Closing the main window must not end the test's event loops.
  QApplication::setQuitOnLastWindowClosed(false);
}

void ClearProfile() { QSettings().clear(); }

QString ShownTitle(QWidget* w) {
  QWindow* window = w->windowHandle();
  return window ? window->title() : QString();
}

QString TempDir() { return g_temp->path(); }

QString NewDir() {
  const QString dir = g_temp->filePath(QStringLiteral("t%1").arg(++g_dirCount));
  QDir().mkpath(dir);
  return dir;
}

std::unique_ptr<CZentravolixApp> StartApp(const QStringList& args) {
  auto app = std::make_unique<CZentravolixApp>();
  if (!app->InitInstance(args)) return nullptr;
  return app;
}

CMainFrame* Frame(const CZentravolixApp& app) { return app.MainFrame(); }

CZentravolixView* View(const CZentravolixApp& app) { return app.MainFrame()->GetConvertView(); }

QString WriteFile(const QString& dir, const QString& name, const std::string& bytes) {
  const QString path = QDir(dir).filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write a fixture");
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  return path;
}

std::string ReadFile(const QString& path) {
  // By the path's own bytes, so a legacy name shown decoded is found too;
  // not through the file layer, whose fault hook a test may have set.
  std::ifstream in(QStringToPath(path), std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void TypeText(QWidget* w, const QString& text) {
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
    i += n;
  }
}

std::vector<CUiPrompts::Record> MessageBoxes() {
  std::vector<CUiPrompts::Record> boxes;
  for (const auto& r : CUiPrompts::Records()) {
    if (r.kind == CUiPrompts::Kind::MessageBox) boxes.push_back(r);
  }
  return boxes;
}

std::string B(const char* utf8) { return zv::FromUtf8(utf8).value(); }

}  // namespace gt
