#pragma once
// What the GUI tests share: a private config folder, prompts answered by the
// tests, a running application, files made in a temporary folder, typing.

#include <QDialog>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/UiPrompts.h"

class CMainFrame;
class CZentravolixApp;
class CZentravolixView;
class QWidget;

namespace gt {

// Call from initTestCase: config folder, a private profile (QSettings),
// test mode for every prompt.
void InitGuiTests();
// Forgets everything the program put in its profile.
void ClearProfile();
// A window's title as the desktop shows it ("[*]" read as the modified mark).
QString ShownTitle(QWidget* w);
// The temporary folder of this test run.
QString TempDir();
// A fresh sub-folder for one test.
QString NewDir();

std::unique_ptr<CZentravolixApp> StartApp(const QStringList& args = {QStringLiteral("zentravolix")});
CMainFrame* Frame(const CZentravolixApp& app);
CZentravolixView* View(const CZentravolixApp& app);

// Writes bytes as they stand.
QString WriteFile(const QString& dir, const QString& name, const std::string& bytes);
std::string ReadFile(const QString& path);

// Types text into w one code point at a time (works for Japanese).
void TypeText(QWidget* w, const QString& text);

// Message boxes recorded since the last CUiPrompts::Reset().
std::vector<CUiPrompts::Record> MessageBoxes();
// Utf-8 literal as QString.
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Shows dlg through the prompts' modal seam, the way the commands show it,
// and hands it to body as its own type.
template <typename Dialog, typename Body>
int ShowModal(Dialog& dlg, Body body) {
  CUiPrompts::PushModalHandler([body](QDialog& d) {
    body(static_cast<Dialog&>(d));
    return d.result();
  });
  return CUiPrompts::DoModal(dlg);
}

// Bytes of a UTF-8 literal in the active code page.
std::string B(const char* utf8);

}  // namespace gt
