#pragma once
// The item dialog of the add and edit commands: a search string (required)
// and its replacement, each at most 100 bytes.

#include <QDialog>
#include <string>

class CByteLimitedEdit;
class QPushButton;

class CDlgItemEdit : public QDialog {
  Q_OBJECT
 public:
  explicit CDlgItemEdit(QWidget* parent = nullptr);

  // Fields <-> controls: save true takes the controls into the fields.
  void UpdateData(bool save);

  // Bytes in the active code page.
  std::string m_strSearch;
  std::string m_strReplace;

  CByteLimitedEdit* SearchEdit() const { return m_pEditSearch; }
  CByteLimitedEdit* ReplaceEdit() const { return m_pEditReplace; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void OnOK();

 private:
  CByteLimitedEdit* m_pEditSearch;
  CByteLimitedEdit* m_pEditReplace;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  bool m_bFilled = false;
};
