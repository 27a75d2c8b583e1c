#pragma once
// The program's help viewer: the help page shown at its index.

#include <QWidget>

class QTextBrowser;

class CHelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit CHelpWindow(QWidget* parent = nullptr);

  // Shows the page at path, scrolled to its index, and raises the window.
  void ShowPage(const QString& path);
  QTextBrowser* Browser() const { return m_pBrowser; }

 private:
  QTextBrowser* m_pBrowser;
};
