#include "folder/FolderBrowser.h"

#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "folder/DlgNewDirName.h"
#include "folder/FolderName.h"
#include "folder/FolderTreeDialog.h"
#include "platform/File.h"
#include "platform/Path.h"

namespace {

QString OneTrailingSeparator(const QString& path) {
  return BytesToQString(zv::AddBackslash(zv::RemoveBackslash(QStringToBytes(path))));
}

}  // namespace

CFolderBrowser::CFolderBrowser(QWidget* owner, const QString& initialPath, const QString& title) {
  if (CFolderTreeDialog::Intercept(owner, title, m_strPath)) return;
  m_strCurrent = initialPath;
  m_bRestart = true;
  while (m_bRestart) {
    m_bRestart = false;
    CFolderTreeDialog dlg(owner, title, true);
    dlg.SelectFolder(m_strCurrent);
    QObject::connect(&dlg, &CFolderTreeDialog::SelectionChanged, &dlg,
                     [this](const QString& path) { m_strCurrent = OneTrailingSeparator(path); });
    QObject::connect(&dlg, &CFolderTreeDialog::NewFolderClicked, &dlg, [this, &dlg] { OnNewFolder(dlg); });
    m_strPath = CUiPrompts::DoModal(dlg) == QDialog::Accepted ? dlg.SelectedPath() : QString();
  }
}

CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::OnNewFolder(CFolderTreeDialog& browser) {
  CDlgNewDirName dlg(&browser);
  dlg.m_strParent = zv::AddBackslash(zv::RemoveBackslash(QStringToBytes(m_strCurrent)));
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted) return;
  // A failure is not reported: the browser is shown again all the same.
  zv::CreateOneDirectory(zv::NewFolderPath(dlg.m_strParent, dlg.m_strName));
  m_bRestart = true;
  browser.reject();
}
