#pragma once
// Shows the folder browser modally in its constructor, starting at an
// initial folder, and keeps the chosen folder (empty when cancelled).

#include <QString>

class QWidget;

class CPlainFolderBrowser {
 public:
  CPlainFolderBrowser(QWidget* owner, const QString& initialPath, const QString& title);
  virtual ~CPlainFolderBrowser();

  QString GetPath() const { return m_strPath; }

 private:
  QString m_strPath;
};
