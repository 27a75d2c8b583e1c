#pragma once
// Every message box, file dialog and modal dialog of the program goes through
// here, so that a test can answer them instead of a user: in test mode nothing
// is shown, each call is recorded, and the next preset answer (or a default)
// is returned.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;
class QWidget;

class CUiPrompts {
 public:
  enum class Kind { MessageBox, OpenFile, SaveFile, Folder, Modal, OpenFolder };

  struct FileDialogOptions {
    QStringList filters;      // "name(patterns)", the first one selected
    std::string initialPath;  // file (or folder) to start with, the file system's bytes
    QString defaultSuffix;    // added to a typed name without an extension
    bool mustExist = false;
    bool confirmOverwrite = false;
  };

  struct Record {
    Kind kind = Kind::MessageBox;
    QWidget* owner = nullptr;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    FileDialogOptions file;
    QString dialogClass;  // for Kind::Modal
  };

  using ModalHandler = std::function<int(QDialog& dialog)>;

  // A box over one of the program's windows, caption "Moravquell".
  static QMessageBox::StandardButton WndMessageBox(QWidget* owner, const QString& text,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                   QMessageBox::Icon icon = QMessageBox::NoIcon);
  // The framework's own box: caption "Zentravolix", owned by the main window.
  static QMessageBox::StandardButton AfxMessageBox(const QString& text,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                   QMessageBox::Icon icon = QMessageBox::Warning);
  // The system-error box: caption "Error", the information icon, owned by the
  // main window.
  static void ShowSystemError(const QString& text);
  static QMessageBox::StandardButton MessageBox(QWidget* owner, const QString& text, const QString& caption,
                                                QMessageBox::StandardButtons buttons, QMessageBox::Icon icon);
  // The box MessageBox shows a user, not yet shown.
  static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text,
                                                     const QString& caption,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::Icon icon);
  // Asks whether the changes to the file at path (empty: never saved) are to
  // be saved: Save, Discard or Cancel.
  static QMessageBox::StandardButton AskSaveChanges(QWidget* owner, const std::string& path);
  static QString SaveChangesText(const std::string& path);

  // The chosen path as the file system's bytes; empty: cancelled. Without an
  // initial path the dialog starts in the folder last chosen from the same
  // window.
  static std::string GetOpenFileName(QWidget* owner, const FileDialogOptions& request);
  static std::string GetSaveFileName(QWidget* owner, const FileDialogOptions& request);
  // For the folder browsers: in test mode records the call and hands back the
  // next preset path (empty: cancelled); returns false when not in test mode.
  static bool InterceptFolder(QWidget* owner, const QString& title, std::string& answer);

  // Runs dialog modally; in test mode the next preset handler runs instead
  // (none: the dialog is rejected without being shown).
  static int DoModal(QDialog& dialog);
  // Shows a folder (the file system's bytes) in the desktop's file manager;
  // in test mode only recorded (its path in Record::text).
  static void OpenFolder(const std::string& path);

  // Test seam.
  static void SetTestMode(bool on);
  static bool TestMode();
  static void PushMessageAnswer(QMessageBox::StandardButton answer);
  // A path as shown (a legacy name shown decoded leads back to its bytes).
  static void PushPathAnswer(const QString& path);
  static void PushPathBytes(std::string path);
  static void PushModalHandler(ModalHandler handler);
  static const std::vector<Record>& Records();
  static void Reset();  // forgets records and unused answers

 private:
  // Records the file dialog and answers it (from the test queue or the user).
  static std::string AskFilePath(QWidget* owner, const FileDialogOptions& request, bool save);
  static void Note(Record record);
  // Where the file dialogs of owner's window last were.
  static std::string LastFolder(QWidget* owner);
  static void SetLastFolder(QWidget* owner, const std::string& path);

  static bool s_bTestMode;
  static std::vector<Record> s_records;
  static std::deque<QMessageBox::StandardButton> s_messageAnswers;
  static std::deque<std::string> s_pathAnswers;
  static std::deque<ModalHandler> s_modalHandlers;
};
