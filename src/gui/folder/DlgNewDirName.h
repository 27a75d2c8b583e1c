#pragma once
// Asks for the name of a folder to create below m_strParent; refuses names
// with characters that folder names cannot hold and names of existing
// folders. Creating the folder is the caller's business.

#include <QDialog>
#include <string>

class CByteLimitedEdit;
class QPushButton;

class CDlgNewDirName : public QDialog {
  Q_OBJECT
 public:
  explicit CDlgNewDirName(QWidget* parent = nullptr);

  void UpdateData(bool save);

  // Bytes in the active code page.
  std::string m_strName;
  std::string m_strParent;  // set by the caller, never shown

  CByteLimitedEdit* NameEdit() const { return m_pEditName; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void OnOK();

 private:
  CByteLimitedEdit* m_pEditName;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  bool m_bFilled = false;
};
