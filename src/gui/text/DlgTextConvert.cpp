#include "text/DlgTextConvert.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>
#include <cerrno>
#include <vector>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "list/ZentravolixView.h"
#include "platform/FileError.h"
#include "platform/PlatformTexts.h"
#include "settings/Settings.h"
#include "text/DlgTextConvertTexts.h"
#include "text/EncodingChoiceBox.h"
#include "text/RowsByEncoding.h"
#include "text/TextConvert.h"

namespace {

using namespace zv::texts;

// Unpaired low surrogates never come out of a decoder, so they can stand
// for single bytes without ever meaning a character.
constexpr char16_t kEscapeBase = 0xDC00;
constexpr qsizetype kMaxRefusedShown = 10;
constexpr qsizetype kPieceChars = 256 * 1024;
constexpr std::string_view kParagraphUtf8 = "\xE2\x80\xA9";    // U+2029
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

bool IsEscape(char16_t u) { return u >= kEscapeBase && u <= kEscapeBase + 0xFF; }

void AppendEscaped(QString& out, std::string_view bytes) {
  for (const char b : bytes) out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(b)));
}

// Characters the document itself turns into a line break.
bool BreaksLine(char16_t u) { return u == 0x2029 || u == 0xFDD0 || u == 0xFDD1; }

// One character of the code page (as zv::CharLen cuts them) that decodes.
bool CharDecodes(std::string_view ch, zv::CodePage cp) {
  const auto b0 = static_cast<unsigned char>(ch[0]);
  if (ch.size() == 1 && b0 < 0x80) return true;
  if (cp == zv::CodePage::Utf8) return ch.size() > 1 && zv::IsValidText(ch, cp);
  // At most 256 + 65536 distinct characters: ask iconv once for each.
  static std::vector<signed char> known(0x10000, -1);
  const std::size_t key = ch.size() == 1 ? b0 : (std::size_t{b0} << 8) | static_cast<unsigned char>(ch[1]);
  if (known[key] < 0) known[key] = zv::IsValidText(ch, cp) ? 1 : 0;
  return known[key] == 1;
}

// A run of text that decodes, onto the field: CR LF becomes a line; lone CR
// and LF and the line-breaking characters keep their bytes as escapes.
void AppendUtf8(QString& out, std::string_view utf8, zv::CodePage cp) {
  if (utf8.empty()) return;
  const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  qsizetype copied = 0;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char16_t u = s.at(i).unicode();
    if (u != u'\r' && u != u'\n' && !BreaksLine(u)) continue;
    out.append(QStringView(s).sliced(copied, i - copied));
    if (u == u'\r' && i + 1 < s.size() && s.at(i + 1) == u'\n') {
      out += u'\n';
      ++i;
    } else if (u == u'\r' || u == u'\n') {
      AppendEscaped(out, u == u'\r' ? "\r" : "\n");
    } else {
      const std::string utf8 = QString(QChar(u)).toStdString();
      AppendEscaped(out, zv::FromUtf8(utf8, cp).value_or(utf8));
    }
    copied = i + 1;
  }
  out.append(QStringView(s).sliced(copied));
}

void AppendDecoded(QString& out, std::string_view run, zv::CodePage cp) {
  if (cp == zv::CodePage::Utf8) {
    AppendUtf8(out, run, cp);
  } else {
    AppendUtf8(out, zv::ToUtf8(run, cp), cp);
  }
}

QString CodePageName(zv::CodePage cp) {
  return cp == zv::CodePage::Cp932 ? QStringLiteral("CP932") : QStringLiteral("UTF-8");
}

// True when c goes into the code page and reads back as itself.
bool RoundTrips(char32_t c, zv::CodePage cp) {
  static QHash<quint64, bool> known;
  const quint64 key = (quint64{static_cast<unsigned>(cp)} << 32) | c;
  if (const auto it = known.constFind(key); it != known.constEnd()) return *it;
  const std::string utf8 = QString::fromUcs4(&c, 1).toStdString();
  const auto enc = zv::FromUtf8(utf8, cp);
  const bool ok = enc && zv::ToUtf8(*enc, cp) == utf8;
  known.insert(key, ok);
  return ok;
}

QString DescribeChar(char32_t c) {
  const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
  if (QChar::isSurrogate(c) || QChar::category(c) == QChar::Other_Control) return code;
  return QString::fromUcs4(&c, 1) + QStringLiteral(" (") + code + QLatin1Char(')');
}

void Refuse(CDlgTextConvert::FieldBytes& r, QSet<char32_t>& seen, char32_t c) {
  r.ok = false;
  if (!seen.contains(c)) {
    seen.insert(c);
    r.refused << DescribeChar(c);
  }
}

// A run of the field without escapes: its lines end in CR LF, the rest goes
// through the code page, and only if every character comes back as itself.
void EncodeRun(QStringView run, zv::CodePage cp, CDlgTextConvert::FieldBytes& r, QSet<char32_t>& seen) {
  if (run.isEmpty()) return;
  const QByteArray raw = run.toUtf8();
  std::string utf8;
  utf8.reserve(static_cast<std::size_t>(raw.size()));
  const std::string_view in(raw.constData(), static_cast<std::size_t>(raw.size()));
  for (std::size_t pos = 0;;) {
    const std::size_t at = in.find(kParagraphUtf8, pos);
    utf8.append(in.substr(pos, at - pos));
    if (at == std::string_view::npos) break;
    utf8 += "\r\n";
    pos = at + kParagraphUtf8.size();
  }
  const auto enc = zv::FromUtf8(utf8, cp);
  if (enc && (cp == zv::CodePage::Utf8 || zv::ToUtf8(*enc, cp) == utf8)) {
    r.bytes += *enc;
    return;
  }
  bool found = false;
  for (const char32_t c : run.toUcs4()) {
    if (c == 0x2029 || RoundTrips(c, cp)) continue;
    Refuse(r, seen, c);
    found = true;
  }
  if (!found) r.ok = false;
}

}  // namespace

CDlgTextConvert::CDlgTextConvert(CZentravolixView* view, QWidget* parent) : QDialog(parent), m_pView(view) {
  setWindowTitle(Ui(kTextConvertTitle) + QStringLiteral("[*]"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(false);
  setFont(CDialogUnits::DialogFont());
  const CDialogUnits du(font());
  resize(du.Size(310, 229));

  m_pBtnOpen = new QPushButton(Ui(kTextOpenFile), this);
  m_pBtnOpen->setObjectName(QStringLiteral("button1006"));
  du.Place(m_pBtnOpen, 100, 7, 50, 12);
  m_pBtnSave = new QPushButton(Ui(kTextSaveFile), this);
  m_pBtnSave->setObjectName(QStringLiteral("button1021"));
  du.Place(m_pBtnSave, 158, 7, 50, 12);
  m_pBtnQuit = new QPushButton(Ui(kTextQuit), this);
  m_pBtnQuit->setObjectName(QStringLiteral("button2"));
  du.Place(m_pBtnQuit, 215, 7, 50, 12);

  auto* label = new QLabel(Ui(kTextFileNameLabel), this);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  du.Place(label, 7, 24, 35, 8);
  m_pEditPath = new QLineEdit(this);
  m_pEditPath->setObjectName(QStringLiteral("edit1009"));
  m_pEditPath->setReadOnly(true);
  du.Place(m_pEditPath, 43, 23, 260, 12);

  m_pBtnConvert = new QPushButton(Ui(kTextConvert), this);
  m_pBtnConvert->setObjectName(QStringLiteral("button1007"));
  du.Place(m_pBtnConvert, 7, 41, 50, 12);
  m_pBtnRemove = new QPushButton(Ui(kTextRemoveLineBreaks), this);
  m_pBtnRemove->setObjectName(QStringLiteral("button1008"));
  du.Place(m_pBtnRemove, 62, 41, 50, 12);
  auto* encodingLabel = new QLabel(Ui(kTextEncodingLabel), this);
  encodingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  du.Place(encodingLabel, 115, 43, 45, 8);
  m_pEncoding = new CEncodingChoiceBox(this);
  du.Place(m_pEncoding, 161, 40, 85, 14);
  encodingLabel->setBuddy(m_pEncoding);
  m_pLabelEncoding = new QLabel(this);
  m_pLabelEncoding->setTextFormat(Qt::PlainText);
  du.Place(m_pLabelEncoding, 250, 43, 53, 8);
  m_pEncoding->SetChoice(zv::StoredEncodingChoice(zv::LoadTextDialogEncoding()));
  // Remembered at once, like the folder tool's settings are on OK.
  connect(m_pEncoding, &QComboBox::currentIndexChanged, this,
          [this] { zv::SaveTextDialogEncoding(zv::EncodingChoiceWord(m_pEncoding->Choice())); });

  m_pEditText = new QPlainTextEdit(this);
  m_pEditText->setObjectName(QStringLiteral("edit1010"));
  m_pEditText->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_pEditText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_pEditText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_pEditText->setTabChangesFocus(false);
  // The selection stays as visible when the field loses the focus.
  QPalette pal = m_pEditText->palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  m_pEditText->setPalette(pal);
  du.Place(m_pEditText, 7, 57, 296, 165);

  // No default button, not even the one a dialog picks when shown: Enter
  // belongs to the text field and never closes the dialog.
  for (QPushButton* b : {m_pBtnOpen, m_pBtnSave, m_pBtnQuit, m_pBtnConvert, m_pBtnRemove}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  connect(m_pBtnOpen, &QPushButton::clicked, this, &CDlgTextConvert::OnOpenFile);
  connect(m_pBtnSave, &QPushButton::clicked, this, &CDlgTextConvert::OnSaveFile);
  connect(m_pBtnQuit, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pBtnConvert, &QPushButton::clicked, this, &CDlgTextConvert::OnConvert);
  connect(m_pBtnRemove, &QPushButton::clicked, this, &CDlgTextConvert::OnRemoveLineBreaks);
  connect(m_pEditText->document(), &QTextDocument::modificationChanged, this, &CDlgTextConvert::ShowModified);

  UpdateData(false);
  // The size rule holds from the start, as it does for a window the system
  // sizes while creating it.
  OnSize();
  m_pEditText->setFocus();
}

bool CDlgTextConvert::UpdateData(bool save) {
  if (save) {
    if (!TakeText()) return false;
    m_strPath = m_strShownPath;
    return true;
  }
  ShowPath();
  ShowText();
  ShowModified();
  return true;
}

bool CDlgTextConvert::TakeText() {
  QTextDocument* doc = m_pEditText->document();
  // Unchanged since shown: the member still holds its exact bytes.
  if (!doc->isModified()) return true;
  const zv::CodePage cp = FieldCodePage();
  FieldBytes taken = FieldToText(doc->toRawText(), cp);
  if (!taken.ok) {
    QStringList shown = taken.refused.mid(0, kMaxRefusedShown);
    if (taken.refused.size() > kMaxRefusedShown)
      shown << Ui(kTextNotEncodableMore).arg(taken.refused.size() - kMaxRefusedShown);
    CUiPrompts::WndMessageBox(this, Ui(kTextNotEncodable).arg(CodePageName(cp), shown.join(u'\n')),
                              QMessageBox::Ok, QMessageBox::Warning);
    return false;
  }
  m_strText = std::move(taken.bytes);
  doc->setModified(false);
  m_bEdited = true;
  return true;
}

void CDlgTextConvert::ShowText() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const QString field = TextToField(m_strText, FieldCodePage());
  QTextDocument* doc = m_pEditText->document();
  m_pEditText->clear();
  doc->setUndoRedoEnabled(false);
  // A long text goes in by pieces, with repaints served in between, so the
  // window keeps answering. Pieces end at a line break: a long line laid out
  // again for every piece would cost far more than it saves.
  QTextCursor cursor(doc);
  for (qsizetype pos = 0; pos < field.size();) {
    qsizetype end = field.size();
    if (end - pos > kPieceChars) {
      const qsizetype lf = field.indexOf(u'\n', pos + kPieceChars);
      if (lf >= 0) end = lf + 1;
    }
    cursor.insertText(field.sliced(pos, end - pos));
    pos = end;
    if (pos < field.size()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  m_pEditText->moveCursor(QTextCursor::Start);
  QApplication::restoreOverrideCursor();
}

void CDlgTextConvert::OnOpenFile() {
  CUiPrompts::FileDialogOptions request;
  request.filters = {Ui(kTextFilter)};
  request.initialPath = m_strPath;
  request.mustExist = true;
  const std::string path = CUiPrompts::GetOpenFileName(this, request);
  if (path.empty()) return;
  m_strPath = path;
  // A device would be read without end; only files and what the core
  // refuses itself (folders) go on.
  if (struct stat st{}; ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    CUiPrompts::AfxMessageBox(Ui(kTextReadFailed).arg(PathToQString(path)), QMessageBox::Ok,
                              QMessageBox::Critical);
    return;
  }
  std::string raw;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const zv::FileResult r = zv::ReadFileBytes(path, raw);
  zv::EncodedText opened;
  const zv::EncodedFailure failure =
      r ? zv::OpenEncoded(std::move(raw), m_pEncoding->Choice(), opened) : zv::EncodedFailure::None;
  QApplication::restoreOverrideCursor();
  // The fields go on showing the previous file.
  if (!r) {
    ReportFileError(r, r.err == ENOENT ? nullptr : kTextReadFailed);
    return;
  }
  if (failure != zv::EncodedFailure::None) {
    const QString shown = PathToQString(path);
    CUiPrompts::AfxMessageBox(
        failure == zv::EncodedFailure::Unknown
            ? Ui(kTextEncodingUnknown).arg(shown)
            : Ui(kTextEncodingNotExact).arg(shown, Ui(zv::EncodingLabel(opened.enc).c_str())),
        QMessageBox::Ok, QMessageBox::Critical);
    return;
  }
  m_strText = zv::SingleFileTextFromBytes(opened.text);
  opened.text.clear();
  m_opened = std::move(opened);
  m_bOpened = true;
  ShowEncoding();
  m_bEdited = false;
  UpdateData(false);
}

void CDlgTextConvert::OnConvert() {
  if (!UpdateData(true)) return;
  m_pBtnConvert->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string converted;
  std::vector<std::size_t> leftOut;
  const zv::TextEncoding as = m_bOpened ? m_opened.as : zv::SessionEncoding();
  if (m_pView && m_pView->ConvertString(m_strText, converted, as, leftOut) && converted != m_strText) {
    m_strText = std::move(converted);
    m_bEdited = true;
  }
  if (!leftOut.empty()) {
    CUiPrompts::WndMessageBox(this, Ui(zv::RowsLeftOutOfTexts(leftOut, as).c_str()), QMessageBox::Ok,
                              QMessageBox::Information);
  }
  QApplication::restoreOverrideCursor();
  m_pBtnConvert->setEnabled(true);
  UpdateData(false);
}

void CDlgTextConvert::OnRemoveLineBreaks() {
  if (!UpdateData(true)) return;
  const std::size_t before = m_strText.size();
  zv::RemoveLineBreaks(m_strText);
  if (m_strText.size() != before) m_bEdited = true;
  UpdateData(false);
}

void CDlgTextConvert::OnSaveFile() {
  // Refused before a name is asked for, so nothing is ever written in part.
  if (!TakeText()) return;
  // Written back in the encoding it was read in, with its mark.
  std::optional<std::string> bytes =
      m_bOpened ? zv::CloseEncoded(m_opened, m_strText) : std::optional<std::string>(m_strText);
  if (!bytes) {
    // Only a decoded encoding (the text is UTF-8 then) can lack a character.
    QStringList refused;
    QSet<char32_t> seen;
    for (const char32_t c : QString::fromStdString(m_strText).toUcs4()) {
      if (seen.contains(c)) continue;
      seen.insert(c);
      if (!zv::EncodeText(QString::fromUcs4(&c, 1).toStdString(), m_opened.as)) refused << DescribeChar(c);
    }
    QStringList shown = refused.mid(0, kMaxRefusedShown);
    if (refused.size() > kMaxRefusedShown)
      shown << Ui(kTextNotEncodableMore).arg(refused.size() - kMaxRefusedShown);
    CUiPrompts::WndMessageBox(
        this, Ui(kTextNotEncodable).arg(Ui(zv::EncodingLabel(m_opened.enc).c_str()), shown.join(u'\n')),
        QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  CUiPrompts::FileDialogOptions request;
  request.filters = {Ui(kTextFilter)};
  request.initialPath = m_strPath;
  // Always a save-as dialog: an existing file is replaced only when the user says so.
  request.confirmOverwrite = true;
  const std::string path = CUiPrompts::GetSaveFileName(this, request);
  if (path.empty()) return;
  m_strPath = path;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const zv::FileResult r = zv::WriteSingleFileText(path, *bytes);
  QApplication::restoreOverrideCursor();
  if (!r) {
    ReportFileError(r, kTextWriteFailed);
    return;
  }
  m_bEdited = false;
  ShowModified();
  ShowPath();
}

void CDlgTextConvert::ShowEncoding() {
  m_pLabelEncoding->setText(m_bOpened ? Ui(zv::EncodingLabel(m_opened.enc).c_str()) : QString());
}

bool CDlgTextConvert::IsTextModified() const { return m_bEdited || m_pEditText->document()->isModified(); }

void CDlgTextConvert::ShowModified() { setWindowModified(IsTextModified()); }

void CDlgTextConvert::reject() {
  if (IsTextModified()) {
    switch (CUiPrompts::AskSaveChanges(this, m_strPath)) {
      case QMessageBox::Save:
        // A cancelled or failed save keeps the dialog open.
        OnSaveFile();
        if (IsTextModified()) return;
        break;
      case QMessageBox::Discard:
        break;
      default:
        return;
    }
  }
  QDialog::reject();
}

void CDlgTextConvert::ShowPath() {
  // The field is read-only: what it shows is exactly m_strPath's bytes.
  m_strShownPath = m_strPath;
  m_pEditPath->setText(PathToQString(m_strPath));
}

void CDlgTextConvert::ReportFileError(const zv::FileResult& r, const char* fallback) {
  const QString path = PathToQString(r.path);
  QString text;
  if (const char* cause = zv::CauseText(zv::CauseOf(r))) {
    text = (r.path.empty() ? Ui(kNoFileName) : path) + QStringLiteral(": ") + Ui(cause);
  } else if (fallback) {
    text = Ui(fallback).arg(path);
  } else {
    return;
  }
  CUiPrompts::AfxMessageBox(text, QMessageBox::Ok, QMessageBox::Critical);
}

void CDlgTextConvert::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  OnSize();
}

void CDlgTextConvert::OnSize() {
  // W and H are the outer size; the fields' edges are in client coordinates.
  const QRect outer = frameGeometry();
  const int w = outer.width();
  const int h = outer.height();
  if (w < kMinWidth) {
    resize(width() + kMinWidth - w, height());
    return;
  }
  if (h < kMinHeight) {
    resize(width(), height() + kMinHeight - h);
    return;
  }
  QRect path = m_pEditPath->geometry();
  path.setWidth(w - path.left() - kRightMargin);
  m_pEditPath->setGeometry(path);
  QRect text = m_pEditText->geometry();
  text.setWidth(w - text.left() - kRightMargin);
  text.setHeight(h - text.top() - kBottomMargin);
  m_pEditText->setGeometry(text);
}

QString CDlgTextConvert::TextToField(std::string_view bytes, zv::CodePage cp) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size() + bytes.size() / 16));
  if (cp == zv::CodePage::Utf8) {
    if (zv::IsValidText(bytes, cp)) {
      AppendUtf8(out, bytes, cp);
      return out;
    }
  } else {
    // CP932 has no U+FFFD of its own: the decoder's mark means a byte failed.
    const std::string utf8 = zv::ToUtf8(bytes, cp);
    if (utf8.find(kReplacementUtf8) == std::string::npos) {
      AppendUtf8(out, utf8, cp);
      return out;
    }
  }
  // Decodes run by run between the bytes that do not decode.
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = zv::CharLen(bytes, i, cp);
    const std::string_view ch = bytes.substr(i, n);
    if (!CharDecodes(ch, cp)) {
      AppendDecoded(out, bytes.substr(runStart, i - runStart), cp);
      AppendEscaped(out, ch);
      runStart = i + n;
    }
    i += n;
  }
  AppendDecoded(out, bytes.substr(runStart), cp);
  return out;
}

CDlgTextConvert::FieldBytes CDlgTextConvert::FieldToText(QStringView raw, zv::CodePage cp) {
  FieldBytes r;
  r.bytes.reserve(static_cast<std::size_t>(raw.size()));
  QSet<char32_t> seen;
  qsizetype runStart = 0;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const char16_t u = raw[i].unicode();
    if (!QChar::isSurrogate(u)) continue;
    if (QChar::isHighSurrogate(u) && i + 1 < raw.size() && QChar::isLowSurrogate(raw[i + 1].unicode())) {
      ++i;
      continue;
    }
    EncodeRun(raw.sliced(runStart, i - runStart), cp, r, seen);
    if (IsEscape(u)) {
      r.bytes.push_back(static_cast<char>(u - kEscapeBase));
    } else {
      Refuse(r, seen, u);
    }
    runStart = i + 1;
  }
  EncodeRun(raw.sliced(runStart), cp, r, seen);
  if (!r.ok) r.bytes.clear();
  return r;
}
