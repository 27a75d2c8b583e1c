#include "folder/PlainFolderBrowser.h"

#include "app/UiPrompts.h"
#include "folder/FolderTreeDialog.h"

CPlainFolderBrowser::CPlainFolderBrowser(QWidget* owner, const std::string& initialPath, const QString& title) {
  if (CFolderTreeDialog::Intercept(owner, title, m_strPath)) return;
  CFolderTreeDialog dlg(owner, title, false);
  // An initial folder that does not exist leaves the default selection.
  dlg.SelectFolder(initialPath);
  if (CUiPrompts::DoModal(dlg) == QDialog::Accepted) m_strPath = dlg.SelectedPath();
}

CPlainFolderBrowser::~CPlainFolderBrowser() = default;
