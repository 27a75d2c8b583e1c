#include "folder/FolderBrowser.h"

#include "app/UiPrompts.h"
#include "folder/DlgNewDirName.h"
#include "folder/FolderName.h"
#include "folder/FolderTreeDialog.h"
#include "platform/File.h"
#include "platform/Path.h"

CFolderBrowser::CFolderBrowser(QWidget* owner, const std::string& initialPath, const QString& title) {
  if (CFolderTreeDialog::Intercept(owner, title, m_strPath)) return;
  m_strCurrent = initialPath;
  m_bRestart = true;
  while (m_bRestart) {
    m_bRestart = false;
    CFolderTreeDialog dlg(owner, title, true);
    dlg.SelectFolder(m_strCurrent);
    QObject::connect(&dlg, &CFolderTreeDialog::SelectionChanged, &dlg, [this](const QByteArray& path) {
      m_strCurrent = zv::AddBackslash(zv::RemoveBackslash(path.toStdString()));
    });
    QObject::connect(&dlg, &CFolderTreeDialog::NewFolderClicked, &dlg, [this, &dlg] { OnNewFolder(dlg); });
    m_strPath = CUiPrompts::DoModal(dlg) == QDialog::Accepted ? dlg.SelectedPath() : std::string();
  }
}

CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::OnNewFolder(CFolderTreeDialog& browser) {
  CDlgNewDirName dlg(&browser);
  dlg.m_strParent = zv::AddBackslash(zv::RemoveBackslash(m_strCurrent));
  if (CUiPrompts::DoModal(dlg) != QDialog::Accepted) return;
  // A failure is not reported: the browser is shown again all the same. A
  // folder made here is the one shown selected then.
  const std::string made = zv::NewFolderPath(dlg.m_strParent, dlg.m_strName);
  if (zv::CreateOneDirectory(made)) m_strCurrent = made;
  m_bRestart = true;
  browser.reject();
}
