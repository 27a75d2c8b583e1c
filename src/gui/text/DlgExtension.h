#pragma once
// Asks for one extension name of the binary-extension list; leading dots are
// taken off, and an empty name is refused.

#include <QDialog>
#include <string>

class CByteLimitedEdit;
class QPushButton;

class CDlgExtension : public QDialog {
  Q_OBJECT
 public:
  explicit CDlgExtension(QWidget* parent = nullptr);

  void UpdateData(bool save);

  std::string m_strExt;  // bytes in the active code page

  CByteLimitedEdit* ExtEdit() const { return m_pEditExt; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void OnOK();

 private:
  CByteLimitedEdit* m_pEditExt;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  bool m_bFilled = false;
};
