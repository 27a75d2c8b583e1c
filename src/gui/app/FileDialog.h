#pragma once
// The open and save dialogs. Built over the core's own listing rather than
// Qt's file dialog, which leaves out every name that is not valid UTF-8:
// legacy CP932 names show readably and can be chosen, and the chosen path is
// the file system's bytes.

#include <QDialog>
#include <string>

#include "app/UiPrompts.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class CFileDialog : public QDialog {
  Q_OBJECT
 public:
  CFileDialog(QWidget* owner, const CUiPrompts::FileDialogOptions& opts, bool save);

  // The chosen file once the dialog has ended with OK.
  const std::string& SelectedPath() const { return m_strSelected; }
  const std::string& Folder() const { return m_strFolder; }
  // Shows folder (the file system's bytes); false when it is no folder.
  bool SetFolder(const std::string& folder);

  QLineEdit* FolderEdit() const { return m_pEditFolder; }
  QListWidget* List() const { return m_pList; }
  QLineEdit* NameEdit() const { return m_pEditName; }
  QComboBox* FilterBox() const { return m_pComboFilter; }
  QPushButton* OkButton() const { return m_pBtnOk; }

  // Test seam: show this dialog through CUiPrompts::DoModal instead of
  // answering from the preset paths.
  static void SetRealDialogInTestMode(bool on);
  static bool RealDialogInTestMode();

 public slots:
  void accept() override;

 private:
  void Refill();
  void OnUp();
  void OnFolderEntered();
  void OnItemActivated(QListWidgetItem* item);
  void OnCurrentItemChanged(QListWidgetItem* item);
  // The file the name field names, as bytes; empty when it names none.
  std::string TypedPath() const;

  CUiPrompts::FileDialogOptions m_options;
  bool m_bSave;
  std::string m_strFolder;    // ends in a separator
  std::string m_strSelected;
  std::string m_strItemName;  // bytes of the list item the name field shows
  QString m_strItemText;      // and its text
  QLineEdit* m_pEditFolder;
  QPushButton* m_pBtnUp;
  QListWidget* m_pList;
  QLineEdit* m_pEditName;
  QComboBox* m_pComboFilter;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
};
