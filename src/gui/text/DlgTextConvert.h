#pragma once
// The single-file text tool: open one text file, convert it with the whole
// list, remove its line breaks, edit it by hand and save it.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "text/TextEncoding.h"

class CEncodingChoiceBox;
class CZentravolixView;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zv {
struct FileResult;
}

class CDlgTextConvert : public QDialog {
  Q_OBJECT

 public:
  // view serves the rows; parent owns the dialog (the main window).
  explicit CDlgTextConvert(CZentravolixView* view, QWidget* parent = nullptr);

  // Members <-> fields: save true takes the fields into the members and is
  // false when the text holds a character the code page cannot hold (the
  // user has been told; the members are unchanged).
  bool UpdateData(bool save);

  void OnOpenFile();
  void OnSaveFile();
  void OnConvert();
  void OnRemoveLineBreaks();

  // The text being worked on, line breaks CR LF: bytes in the code page the
  // file's encoding is worked in (the file's own bytes for Shift-JIS and
  // UTF-8, UTF-8 for the others).
  std::string m_strText;
  // How the last file was read: its encoding and the mark it keeps; the
  // session's code page before any file.
  zv::EncodedText m_opened;
  bool m_bOpened = false;
  // The file last opened or saved, as the file dialogs name it.
  std::string m_strPath;  // the file system's bytes

  QPushButton* OpenButton() const { return m_pBtnOpen; }
  QPushButton* SaveButton() const { return m_pBtnSave; }
  QPushButton* QuitButton() const { return m_pBtnQuit; }
  QPushButton* ConvertButton() const { return m_pBtnConvert; }
  QPushButton* RemoveLineBreaksButton() const { return m_pBtnRemove; }
  QLineEdit* PathEdit() const { return m_pEditPath; }
  QPlainTextEdit* TextEdit() const { return m_pEditText; }
  CEncodingChoiceBox* EncodingBox() const { return m_pEncoding; }
  QLabel* EncodingLabel() const { return m_pLabelEncoding; }

  // The field's rendering of a text and back. CR LF is a line of the field;
  // a lone CR or LF and every byte that does not decode (or that the field
  // would turn into a line break) is shown as an unpaired low surrogate
  // U+DC00 + byte, so that any text comes back byte for byte.
  static QString TextToField(std::string_view bytes, zv::CodePage cp);
  struct FieldBytes {
    bool ok = true;
    std::string bytes;
    // Characters the code page cannot hold, or holds only as a look-alike
    // that reads back as another character: "c (U+XXXX)", each once.
    QStringList refused;
  };
  // raw is the document's raw text: U+2029 separates the lines.
  static FieldBytes FieldToText(QStringView raw, zv::CodePage cp);

  static constexpr int kMinWidth = 550;
  static constexpr int kMinHeight = 210;
  static constexpr int kRightMargin = 20;
  static constexpr int kBottomMargin = 35;

  // The text differs from what was last opened or saved.
  bool IsTextModified() const;

 public slots:
  // 終了, Escape and the close box: unsaved text is asked about first.
  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnSize();
  // Fills the path field from m_strPath.
  void ShowPath();
  // Field -> m_strText when the field was edited since it was last shown.
  bool TakeText();
  void ShowText();
  // The file error message; fallback (with %1 for the path) when the cause
  // has no text of its own and the file was there.
  static void ReportFileError(const zv::FileResult& r, const char* fallback);
  // The title's "[*]".
  void ShowModified();
  // The code page the field shows and takes m_strText in.
  zv::CodePage FieldCodePage() const {
    return m_bOpened ? zv::WorkingCodePage(m_opened.as) : zv::ActiveCodePage();
  }
  // What the file was read as.
  void ShowEncoding();

  CZentravolixView* m_pView;
  QPushButton* m_pBtnOpen;
  QPushButton* m_pBtnSave;
  QPushButton* m_pBtnQuit;
  QPushButton* m_pBtnConvert;
  QPushButton* m_pBtnRemove;
  QLineEdit* m_pEditPath;
  std::string m_strShownPath;  // the bytes the path field shows
  QPlainTextEdit* m_pEditText;
  CEncodingChoiceBox* m_pEncoding;
  QLabel* m_pLabelEncoding;
  bool m_bEdited = false;  // m_strText changed since the last open or save
};
