#pragma once
// Shows the folder browser modally in its constructor, starting at an
// initial folder, and keeps the chosen folder (empty when cancelled), as the
// file system's bytes.

#include <QString>
#include <string>

class QWidget;

class CPlainFolderBrowser {
 public:
  CPlainFolderBrowser(QWidget* owner, const std::string& initialPath, const QString& title);
  virtual ~CPlainFolderBrowser();

  const std::string& GetPath() const { return m_strPath; }

 private:
  std::string m_strPath;
};
