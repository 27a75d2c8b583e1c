#pragma once
// The folder browser with the "新規作成" button: a new folder is created
// below the selected one and the browser is shown again with the new folder
// selected; the last showing decides the result (empty when cancelled).
// Paths are the file system's bytes.

#include <QString>
#include <string>

class CFolderTreeDialog;
class QWidget;

class CFolderBrowser {
 public:
  CFolderBrowser(QWidget* owner, const std::string& initialPath, const QString& title);
  virtual ~CFolderBrowser();

  const std::string& GetPath() const { return m_strPath; }

 private:
  void OnNewFolder(CFolderTreeDialog& browser);

  std::string m_strPath;
  // The last selected folder, with exactly one trailing separator once the
  // user has selected one; the initial path until then.
  std::string m_strCurrent;
  bool m_bRestart = false;
};
