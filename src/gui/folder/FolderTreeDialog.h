#pragma once
// The browse-for-folder window of both folder browsers: the caller's title
// above a tree of folders, a status line with the selected folder, OK and
// cancel, and on request the "新規作成" button.

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

class CFolderTreeDialog : public QDialog {
  Q_OBJECT
 public:
  CFolderTreeDialog(QWidget* owner, const QString& title, bool newFolderButton);

  // Selects path when it names an existing folder; false leaves the
  // selection as it was.
  bool SelectFolder(const QString& path);
  // The selected folder, or empty when none is selected.
  QString SelectedPath() const;

  QTreeView* Tree() const { return m_pTree; }
  QLabel* TitleLabel() const { return m_pTitle; }
  QLabel* StatusLabel() const { return m_pStatus; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }
  QPushButton* NewFolderButton() const { return m_pBtnNewFolder; }  // nullptr without it

  // Test seam: the browsers show this window through CUiPrompts::DoModal
  // instead of answering from the preset folder paths.
  static void SetRealBrowserInTestMode(bool on);
  // The preset answer of the test seam; false when the window is to be shown.
  static bool Intercept(QWidget* owner, const QString& title, QString& answer);

 signals:
  void SelectionChanged(const QString& path);
  void NewFolderClicked();

 private:
  void OnCurrentChanged();

  QFileSystemModel* m_pModel;
  QTreeView* m_pTree;
  QLabel* m_pTitle;
  QLabel* m_pStatus;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  QPushButton* m_pBtnNewFolder = nullptr;
  QString m_strLastSelected;
};
