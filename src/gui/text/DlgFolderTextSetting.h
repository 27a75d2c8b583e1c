#pragma once
// The folder text settings dialog: the options of section CONVERTTEXT and
// the binary-extension list, written on OK (options first, then the list).

#include <QDialog>

#include "settings/BinaryExtList.h"
#include "text/TextEncoding.h"

class CEncodingChoiceBox;
class QButtonGroup;
class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

class CDlgFolderTextSetting : public QDialog {
  Q_OBJECT
 public:
  explicit CDlgFolderTextSetting(QWidget* parent = nullptr);

  // Fields <-> controls: save true takes the controls into the fields.
  void UpdateData(bool save);

  QListWidget* m_listExt;
  int m_bSubDir = 0;
  int m_bOverwrite = 0;
  int m_nBinaryMode = -1;  // 0 copy only, 1 do not copy, -1 neither selected
  zv::EncodingChoice m_nEncoding = zv::EncodingChoice::System;
  int m_bKeepLineEnds = 0;

  // The list box's entries, top to bottom, as bytes.
  zv::ExtList Entries() const;
  // The selected entry, or -1.
  int SelectedEntry() const;

  QCheckBox* SubDirCheck() const { return m_pCheckSubDir; }
  QCheckBox* OverwriteCheck() const { return m_pCheckOverwrite; }
  QRadioButton* CopyOnlyRadio() const { return m_pRadioCopyOnly; }
  QRadioButton* NoCopyRadio() const { return m_pRadioNoCopy; }
  CEncodingChoiceBox* EncodingBox() const { return m_pEncoding; }
  QRadioButton* CrLfRadio() const { return m_pRadioCrLf; }
  QRadioButton* KeepLineEndsRadio() const { return m_pRadioKeep; }
  QPushButton* AddButton() const { return m_pBtnAdd; }
  QPushButton* DeleteButton() const { return m_pBtnDelete; }
  QPushButton* EditButton() const { return m_pBtnEdit; }
  QPushButton* ResetButton() const { return m_pBtnReset; }
  QPushButton* OkButton() const { return m_pBtnOk; }
  QPushButton* CancelButton() const { return m_pBtnCancel; }

 public slots:
  void OnAddExt();
  void OnDeleteExt();
  void OnEditExt();
  void OnResetExt();

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void OnOK();

 private:
  bool OnInitDialog();
  void SelectEntry(int row);

  QCheckBox* m_pCheckSubDir;
  QCheckBox* m_pCheckOverwrite;
  QRadioButton* m_pRadioCopyOnly;
  QRadioButton* m_pRadioNoCopy;
  QButtonGroup* m_pBinaryGroup;
  CEncodingChoiceBox* m_pEncoding;
  QRadioButton* m_pRadioCrLf;
  QRadioButton* m_pRadioKeep;
  QPushButton* m_pBtnAdd;
  QPushButton* m_pBtnDelete;
  QPushButton* m_pBtnEdit;
  QPushButton* m_pBtnReset;
  QPushButton* m_pBtnOk;
  QPushButton* m_pBtnCancel;
  bool m_bInitialized = false;
};
