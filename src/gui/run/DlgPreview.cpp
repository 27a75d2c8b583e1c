#include "run/DlgPreview.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/DialogUnits.h"
#include "app/QStringBytes.h"
#include "app/UiPrompts.h"
#include "list/ViewRowSource.h"
#include "list/ZentravolixView.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "run/FolderRun.h"
#include "run/RunUiTexts.h"
#include "text/FolderTextConvert.h"

namespace {

// Only so much of a long file is shown; the run converts all of it.
constexpr std::size_t kShownBytes = std::size_t{2} << 20;

const char* ActionText(const zv::FileOutcome& o) {
  if (!o.error.empty()) return zv::texts::kActionFailed;
  switch (o.action) {
    case zv::FileAction::Converted:
      return zv::texts::kActionConverted;
    case zv::FileAction::Copied:
      return zv::texts::kActionCopied;
    case zv::FileAction::Skipped:
      return zv::texts::kActionSkipped;
    case zv::FileAction::Exists:
      return zv::texts::kActionExists;
    case zv::FileAction::Failed:
      return zv::texts::kActionFailed;
  }
  return "";
}

// Text of a file's bytes as its encoding reads them.
QString Shown(std::string_view bytes, const zv::FileEncoding& enc) {
  bytes.remove_prefix(std::min(enc.bom, bytes.size()));
  const zv::TextEncoding as = enc.ascii ? zv::SessionEncoding() : enc.encoding;
  if (zv::IsDecoded(as)) {
    if (auto utf8 = zv::DecodeExactly(bytes, as)) return QString::fromStdString(*utf8);
    return {};
  }
  return QString::fromStdString(zv::ToUtf8(bytes, zv::WorkingCodePage(as)));
}

QStringList Lines(const QString& text) {
  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& l : lines)
    if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
  return lines;
}

// What differs between two line lists: lines the same at both ends are
// left alone, the rest paired in order, and in each pair the characters
// between the common beginning and end are marked.
void Compare(const QStringList& a, const QStringList& b, std::vector<CDlgPreview::Mark>& marksA,
             std::vector<CDlgPreview::Mark>& marksB) {
  int head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  int tailA = static_cast<int>(a.size()), tailB = static_cast<int>(b.size());
  while (tailA > head && tailB > head && a[tailA - 1] == b[tailB - 1]) {
    --tailA;
    --tailB;
  }
  for (int i = head; i < std::max(tailA, tailB); ++i) {
    const QString la = i < tailA ? a[i] : QString(), lb = i < tailB ? b[i] : QString();
    if (i < tailA && i < tailB && la == lb) continue;
    qsizetype pre = 0;
    while (pre < la.size() && pre < lb.size() && la[pre] == lb[pre]) ++pre;
    qsizetype post = 0;
    while (post < la.size() - pre && post < lb.size() - pre && la[la.size() - 1 - post] == lb[lb.size() - 1 - post])
      ++post;
    if (i < tailA) marksA.push_back({i, static_cast<int>(pre), static_cast<int>(la.size() - pre - post)});
    if (i < tailB) marksB.push_back({i, static_cast<int>(pre), static_cast<int>(lb.size() - pre - post)});
  }
}

void Paint(QPlainTextEdit* edit, const std::vector<CDlgPreview::Mark>& marks, const QColor& color) {
  QList<QTextEdit::ExtraSelection> selections;
  for (const CDlgPreview::Mark& m : marks) {
    const QTextBlock block = edit->document()->findBlockByNumber(m.line);
    if (!block.isValid()) continue;
    QTextEdit::ExtraSelection line;
    line.cursor = QTextCursor(block);
    line.format.setBackground(color.lighter(115));
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    selections << line;
    QTextEdit::ExtraSelection span;
    span.cursor = QTextCursor(block);
    span.cursor.setPosition(block.position() + m.from);
    span.cursor.setPosition(block.position() + m.from + std::max(m.length, 0), QTextCursor::KeepAnchor);
    span.format.setBackground(color);
    selections << span;
  }
  edit->setExtraSelections(selections);
}

}  // namespace

// The preview's rows: the files whose outcome has arrived, in list order.
class CPreviewModel : public QAbstractTableModel {
 public:
  CPreviewModel(QObject* parent, bool text) : QAbstractTableModel(parent), m_bText(text) {}

  void SetRun(const CFolderRun* run) { m_pRun = run; }
  void Arrived(int from, int to) {
    std::vector<int> fresh;
    for (int i = from; i < to; ++i)
      if (m_pRun->Outcomes()[static_cast<std::size_t>(i)]) fresh.push_back(i);
    if (fresh.empty()) return;
    beginInsertRows({}, static_cast<int>(m_rows.size()), static_cast<int>(m_rows.size() + fresh.size()) - 1);
    m_rows.insert(m_rows.end(), fresh.begin(), fresh.end());
    endInsertRows();
  }
  const zv::FileOutcome& Outcome(int row) const {
    return *m_pRun->Outcomes()[static_cast<std::size_t>(m_rows[static_cast<std::size_t>(row)])];
  }

  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
  }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_bText ? 6 : 5; }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    using namespace zv::texts;
    const char* text[] = {m_bText ? kPreviewSource : kPreviewOldName,
                          m_bText ? kPreviewDestination : kPreviewNewName,
                          kPreviewAction,
                          kPreviewReplacements,
                          m_bText ? kPreviewEncoding : kPreviewMessage,
                          kPreviewMessage};
    return Ui(text[section]);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    const zv::FileOutcome& o = Outcome(index.row());
    if (role == Qt::ForegroundRole) {
      return !o.error.empty() || o.action == zv::FileAction::Failed ? QVariant(QColor(Qt::darkRed)) : QVariant();
    }
    if (role != Qt::DisplayRole) return {};
    const int column = !m_bText && index.column() == 4 ? 5 : index.column();
    switch (column) {
      case 0:
        return Relative(o.src, m_pRun->Src());
      case 1:
        return Relative(o.dst, m_pRun->Dst());
      case 2:
        return Ui(ActionText(o));
      case 3:
        return static_cast<qulonglong>(o.replacements);
      case 4:
        return QString::fromStdString(o.encoding);
      default:
        return CoreMessageText(o.error.empty() ? o.note : o.error);
    }
  }

 private:
  // A path below its run's folder, as the user sees it: names tool rows show
  // old and new names side by side.
  static QString Relative(const std::string& path, const std::string& folder) {
    const std::string prefix = zv::AddBackslash(folder);
    if (path.compare(0, prefix.size(), prefix) == 0) return PathToQString(std::string_view(path).substr(prefix.size()));
    return PathToQString(path);
  }

  const CFolderRun* m_pRun = nullptr;
  bool m_bText;
  std::vector<int> m_rows;
};

CDlgPreview::CDlgPreview(QWidget* parent, CZentravolixView* view, bool textTool)
    : QDialog(parent), m_pView(view), m_bText(textTool), m_rowsByEncoding(std::make_unique<zv::RowsByEncoding>()) {
  setWindowTitle(Ui(zv::texts::kPreviewTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(CDialogUnits::DialogFont());
  resize(880, 600);

  m_pModel = new CPreviewModel(this, textTool);
  m_pTable = new QTableView(this);
  m_pTable->setModel(m_pModel);
  m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
  m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_pTable->verticalHeader()->hide();
  // Fixed heights and widths: 20,000 rows are laid out without measuring each.
  m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() + 4);
  m_pTable->horizontalHeader()->setStretchLastSection(true);
  for (int c = 0; c < 2; ++c) m_pTable->setColumnWidth(c, 240);
  m_pTable->setColumnWidth(2, 64);
  m_pTable->setColumnWidth(3, 48);
  m_pStatus = new QLabel(this);
  m_pStatus->setTextFormat(Qt::PlainText);

  m_pBefore = new QPlainTextEdit(this);
  m_pAfter = new QPlainTextEdit(this);
  for (QPlainTextEdit* e : {m_pBefore, m_pAfter}) {
    e->setReadOnly(true);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
  }
  // Both sides scroll together.
  connect(m_pBefore->verticalScrollBar(), &QScrollBar::valueChanged, m_pAfter->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(m_pAfter->verticalScrollBar(), &QScrollBar::valueChanged, m_pBefore->verticalScrollBar(),
          &QScrollBar::setValue);
  auto* sides = new QWidget(this);
  auto* sidesLayout = new QHBoxLayout(sides);
  sidesLayout->setContentsMargins(0, 0, 0, 0);
  for (auto [label, edit] : {std::pair{zv::texts::kPreviewBefore, m_pBefore}, std::pair{zv::texts::kPreviewAfter, m_pAfter}}) {
    auto* column = new QVBoxLayout;
    column->addWidget(new QLabel(Ui(label), sides));
    column->addWidget(edit, 1);
    sidesLayout->addLayout(column, 1);
  }
  sides->setVisible(textTool);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(m_pTable);
  split->addWidget(sides);

  m_pBtnRun = new QPushButton(Ui(zv::texts::kPreviewRun), this);
  m_pBtnRun->setEnabled(false);
  m_pBtnStop = new QPushButton(Ui(zv::texts::kPreviewStop), this);
  m_pBtnClose = new QPushButton(Ui(zv::texts::kPreviewClose), this);
  for (QPushButton* b : {m_pBtnRun, m_pBtnStop, m_pBtnClose}) b->setAutoDefault(false);
  connect(m_pBtnRun, &QPushButton::clicked, this, &CDlgPreview::OnRun);
  connect(m_pBtnStop, &QPushButton::clicked, this, [this] {
    if (m_pRun) m_pRun->Stop();
  });
  connect(m_pBtnClose, &QPushButton::clicked, this, &CDlgPreview::reject);
  connect(m_pTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { ShowFile(current.row()); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pStatus, 1);
  buttons->addWidget(m_pBtnStop);
  buttons->addWidget(m_pBtnRun);
  buttons->addWidget(m_pBtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addLayout(buttons);
}

CDlgPreview::~CDlgPreview() = default;

bool CDlgPreview::Start(const std::string& src, const std::string& dst, const std::string& pattern) {
  m_pRun = std::make_unique<CFolderRun>(m_bText ? CFolderRun::Tool::FolderText : CFolderRun::Tool::FileName,
                                        m_pView);
  m_pModel->SetRun(m_pRun.get());
  connect(m_pRun.get(), &CFolderRun::FilesDone, this, [this](int from, int to) {
    m_pModel->Arrived(from, to);
    ShowStatus();
  });
  connect(m_pRun.get(), &CFolderRun::Finished, this, [this] {
    ShowStatus();
    m_pBtnStop->setEnabled(false);
    // A stopped preview has not shown every file: there is nothing to run from it.
    m_pBtnRun->setEnabled(m_pRun->End() != zv::RunEnd::Stopped);
    emit PreviewEnded();
  });
  if (!m_pRun->Start(src, dst, pattern, true)) return false;
  ShowStatus();
  return true;
}

void CDlgPreview::ShowStatus() {
  const char* state = !m_pRun->Ended() ? zv::texts::kPreviewWorking
                      : m_pRun->End() == zv::RunEnd::Stopped ? zv::texts::kPreviewStopped
                                                             : zv::texts::kPreviewDone;
  m_pStatus->setText(Ui(state) + Ui(zv::SummaryLine(m_pRun->Summary()).c_str()));
}

void CDlgPreview::ShowFile(int row) {
  m_beforeMarks.clear();
  m_afterMarks.clear();
  m_pBefore->clear();
  m_pAfter->clear();
  if (!m_bText || row < 0 || row >= m_pModel->rowCount({})) return;
  const zv::FileOutcome& o = m_pModel->Outcome(row);
  if (o.action != zv::FileAction::Converted) return;
  std::string raw;
  if (!zv::ReadFileBytes(o.src, raw)) return;
  // The very conversion the run makes of this file, with the preview's rows and options.
  const CFolderRun::Options& opt = m_pRun->GetOptions();
  const zv::FolderTextResult r = zv::ConvertFolderText(raw, m_pRun->Rows(), opt.texts.encoding, opt.texts.keepLineEnds,
                                                       zv::ActiveCodePage(), *m_rowsByEncoding);
  if (r.unconverted || !r.enc) return;
  std::string after = zv::WrittenBytes(r);
  if (raw.size() > kShownBytes) raw.resize(zv::BoundaryAtOrBefore(raw, kShownBytes, zv::WorkingCodePage(r.enc->encoding)));
  if (after.size() > kShownBytes) after.resize(zv::BoundaryAtOrBefore(after, kShownBytes, zv::WorkingCodePage(r.enc->encoding)));
  const QStringList a = Lines(Shown(raw, *r.enc)), b = Lines(Shown(after, *r.enc));
  Compare(a, b, m_beforeMarks, m_afterMarks);
  m_pBefore->setPlainText(a.join(QLatin1Char('\n')));
  m_pAfter->setPlainText(b.join(QLatin1Char('\n')));
  Paint(m_pBefore, m_beforeMarks, QColor(255, 200, 200));
  Paint(m_pAfter, m_afterMarks, QColor(190, 235, 190));
}

void CDlgPreview::OnRun() {
  // Only what was shown runs: a list changed since would do something else.
  if (!m_pView || m_pView->Snapshot()->Get() != m_pRun->Rows()) {
    CUiPrompts::WndMessageBox(this, Ui(zv::texts::kPreviewListChanged), QMessageBox::Ok, QMessageBox::Warning);
    return;
  }
  accept();
}

void CDlgPreview::reject() {
  if (m_pRun) {
    m_pRun->Stop();
    m_pRun->Wait();
  }
  QDialog::reject();
}
