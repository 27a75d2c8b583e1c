#pragma once
// The browse-for-folder window of both folder browsers: the caller's title
// above a tree of folders, a status line with the selected folder, OK and
// cancel, and on request the "新規作成" button. The tree is filled from the
// core's own listing, so every folder name shows readably (legacy CP932 names
// too) and a chosen folder is the file system's bytes.

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CFolderTreeDialog : public QDialog {
  Q_OBJECT
 public:
  CFolderTreeDialog(QWidget* owner, const QString& title, bool newFolderButton);

  // Selects path when it names an existing folder (listing the folders on
  // the way); false leaves the selection as it was.
  bool SelectFolder(const std::string& path);
  bool SelectFolder(const QString& shownPath);
  // The selected folder, or empty when none is selected.
  std::string SelectedPath() const;

  QTreeWidget* Tree() const { return m_pTree; }
  QLabel* TitleLabel() const { return m_pTitle; }
  QLabel* StatusLabel() const { return m_pStatus; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }
  QPushButton* NewFolderButton() const { return m_pBtnNewFolder; }  // nullptr without it

  // Test seam: the browsers show this window through CUiPrompts::DoModal
  // instead of answering from the preset folder paths.
  static void SetRealBrowserInTestMode(bool on);
  // The preset answer of the test seam; false when the window is to be shown.
  static bool Intercept(QWidget* owner, const QString& title, std::string& answer);

 signals:
  void SelectionChanged(const QByteArray& path);
  void NewFolderClicked();

 private:
  void OnCurrentChanged();
  // Lists the subfolders of item once.
  void Populate(QTreeWidgetItem* item);
  QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const std::string& path, const QString& text);
  QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const std::string& name);

  QTreeWidget* m_pTree;
  QLabel* m_pTitle;
  QLabel* m_pStatus;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  QPushButton* m_pBtnNewFolder = nullptr;
  std::string m_strLastSelected;
  std::string m_strHome;  // the first item's folder
};
