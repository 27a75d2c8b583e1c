#pragma once
// The folder browser with the "新規作成" button: a new folder is created
// below the selected one and the browser is shown again on that folder; the
// last showing decides the result (empty when cancelled).

#include <QString>

class CFolderTreeDialog;
class QWidget;

class CFolderBrowser {
 public:
  CFolderBrowser(QWidget* owner, const QString& initialPath, const QString& title);
  virtual ~CFolderBrowser();

  QString GetPath() const { return m_strPath; }

 private:
  void OnNewFolder(CFolderTreeDialog& browser);

  QString m_strPath;
  // The last selected folder, with exactly one trailing separator once the
  // user has selected one; the initial path until then.
  QString m_strCurrent;
  bool m_bRestart = false;
};
