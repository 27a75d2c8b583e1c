#pragma once
// The file-name settings dialog: the four options of the file-name tool,
// read from the settings file when it opens and written on OK.

#include <QDialog>

class QCheckBox;
class QPushButton;

class CDlgFileNameSetting : public QDialog {
  Q_OBJECT
 public:
  explicit CDlgFileNameSetting(QWidget* parent = nullptr);

  // Fields <-> check boxes: save true takes the boxes into the fields.
  void UpdateData(bool save);

  int m_bSubDir = 0;
  int m_bOverwrite = 0;
  int m_bNoCase = 0;
  int m_bPart = 0;

  QCheckBox* SubDirCheck() const { return m_pCheckSubDir; }
  QCheckBox* NoCaseCheck() const { return m_pCheckNoCase; }
  QCheckBox* OverwriteCheck() const { return m_pCheckOverwrite; }
  QCheckBox* PartCheck() const { return m_pCheckPart; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void OnOK();

 private:
  bool OnInitDialog();

  QCheckBox* m_pCheckSubDir;
  QCheckBox* m_pCheckNoCase;
  QCheckBox* m_pCheckOverwrite;
  QCheckBox* m_pCheckPart;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  bool m_bInitialized = false;
};

// A stored flag shown in a check box: checked only for 1, the one value a
// run counts as on.
bool FlagChecked(int value);
