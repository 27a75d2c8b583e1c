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
#include <dtl/dtl.hpp>
#include <string>

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
      return o.replacements > 0 ? zv::texts::kActionConverted : zv::texts::kActionCopied;
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

// One side's view of an edit script: runs of kept and changed elements.
enum class Op { Keep, Del, Add };
using Script = std::vector<Op>;

// The shortest edit script (dtl's O(NP) algorithm) from a to b.
template <typename Seq>
Script EditScript(const Seq& a, const Seq& b) {
  using Elem = typename Seq::value_type;
  dtl::Diff<Elem, Seq> diff(a, b);
  diff.compose();
  Script script;
  for (const auto& [elem, info] : diff.getSes().getSequence()) {
    script.push_back(info.type == dtl::SES_COMMON ? Op::Keep : info.type == dtl::SES_DELETE ? Op::Del : Op::Add);
  }
  return script;
}

// A character or two kept between two changes belongs to the replaced span:
// 株式会社 -> (株) reads as one replacement, not as 株 kept.
void JoinShortKeeps(Script& script) {
  constexpr std::size_t kShortest = 2;
  std::size_t i = 0;
  while (i < script.size()) {
    if (script[i] != Op::Keep) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < script.size() && script[j] == Op::Keep) ++j;
    if (i > 0 && j < script.size() && j - i <= kShortest) {
      Script changed;
      changed.insert(changed.end(), j - i, Op::Del);
      changed.insert(changed.end(), j - i, Op::Add);
      script.erase(script.begin() + static_cast<std::ptrdiff_t>(i), script.begin() + static_cast<std::ptrdiff_t>(j));
      script.insert(script.begin() + static_cast<std::ptrdiff_t>(i), changed.begin(), changed.end());
      j = i + changed.size();
    }
    i = j;
  }
}

// Marks the changed characters of one changed pair of lines.
void CompareLine(int lineA, const QString& a, int lineB, const QString& b, std::vector<CDlgPreview::Mark>& marksA,
                 std::vector<CDlgPreview::Mark>& marksB) {
  // Very long lines: the span from the first to the last difference.
  constexpr qsizetype kLongestDiffed = 4000;
  if (a.size() > kLongestDiffed || b.size() > kLongestDiffed) {
    qsizetype pre = 0;
    while (pre < a.size() && pre < b.size() && a[pre] == b[pre]) ++pre;
    qsizetype post = 0;
    while (post < a.size() - pre && post < b.size() - pre && a[a.size() - 1 - post] == b[b.size() - 1 - post]) ++post;
    marksA.push_back({lineA, static_cast<int>(pre), static_cast<int>(a.size() - pre - post)});
    marksB.push_back({lineB, static_cast<int>(pre), static_cast<int>(b.size() - pre - post)});
    return;
  }
  const std::u16string ua(reinterpret_cast<const char16_t*>(a.utf16()), static_cast<std::size_t>(a.size()));
  const std::u16string ub(reinterpret_cast<const char16_t*>(b.utf16()), static_cast<std::size_t>(b.size()));
  Script script = EditScript(ua, ub);
  JoinShortKeeps(script);
  int x = 0, y = 0;
  bool markedA = false, markedB = false;
  for (std::size_t i = 0; i < script.size();) {
    if (script[i] == Op::Keep) {
      ++x, ++y, ++i;
      continue;
    }
    const int fromX = x, fromY = y;
    for (; i < script.size() && script[i] != Op::Keep; ++i) (script[i] == Op::Del ? x : y)++;
    if (x > fromX) marksA.push_back({lineA, fromX, x - fromX}), markedA = true;
    if (y > fromY) marksB.push_back({lineB, fromY, y - fromY}), markedB = true;
  }
  // A line whose change is only on the other side is still shown as changed.
  if (!markedA) marksA.push_back({lineA, 0, 0});
  if (!markedB) marksB.push_back({lineB, 0, 0});
}

// What differs between two line lists: lines are matched by a line diff,
// each changed line meets its counterpart in order, and within such a pair
// the changed characters are marked.
void Compare(const QStringList& a, const QStringList& b, std::vector<CDlgPreview::Mark>& marksA,
             std::vector<CDlgPreview::Mark>& marksB) {
  int head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  int tailA = static_cast<int>(a.size()), tailB = static_cast<int>(b.size());
  while (tailA > head && tailB > head && a[tailA - 1] == b[tailB - 1]) {
    --tailA;
    --tailB;
  }
  // Replacements seldom add or remove lines: then the lines pair in order.
  // Otherwise a line diff finds the pairs, unless the middle is too large.
  constexpr int kMostLinesDiffed = 20000;
  Script script;
  if (tailA - head != tailB - head && (tailA - head) + (tailB - head) <= kMostLinesDiffed) {
    const std::vector<QString> la(a.begin() + head, a.begin() + tailA), lb(b.begin() + head, b.begin() + tailB);
    script = EditScript(la, lb);
  } else {
    const int both = std::min(tailA, tailB) - head;
    for (int i = 0; i < both; ++i) {
      if (a[head + i] == b[head + i]) {
        script.push_back(Op::Keep);
      } else {
        script.push_back(Op::Del);
        script.push_back(Op::Add);
      }
    }
    script.insert(script.end(), static_cast<std::size_t>(tailA - head - both), Op::Del);
    script.insert(script.end(), static_cast<std::size_t>(tailB - head - both), Op::Add);
  }
  int x = head, y = head;
  for (std::size_t i = 0; i < script.size();) {
    if (script[i] == Op::Keep) {
      ++x, ++y, ++i;
      continue;
    }
    std::vector<int> gone, come;
    for (; i < script.size() && script[i] != Op::Keep; ++i) {
      if (script[i] == Op::Del)
        gone.push_back(x++);
      else
        come.push_back(y++);
    }
    const std::size_t paired = std::min(gone.size(), come.size());
    for (std::size_t p = 0; p < paired; ++p) CompareLine(gone[p], a[gone[p]], come[p], b[come[p]], marksA, marksB);
    for (std::size_t p = paired; p < gone.size(); ++p)
      marksA.push_back({gone[p], 0, static_cast<int>(a[gone[p]].size())});
    for (std::size_t p = paired; p < come.size(); ++p)
      marksB.push_back({come[p], 0, static_cast<int>(b[come[p]].size())});
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
      if (!o.error.empty() || o.action == zv::FileAction::Failed) return QColor(Qt::darkRed);
      return MovesFolder(o) ? QVariant(QColor(Qt::darkYellow)) : QVariant();
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
        if (o.error.empty() && o.note.empty() && MovesFolder(o)) return Ui(zv::texts::kPreviewMovesFolder);
        return CoreMessageText(o.error.empty() ? o.note : o.error);
    }
  }

  // A new name holding a separator puts the copy in another folder than its
  // source's counterpart.
  bool MovesFolder(const zv::FileOutcome& o) const {
    if (m_bText || o.dst.empty()) return false;
    const std::string src = Below(o.src, m_pRun->Src()), dst = Below(o.dst, m_pRun->Dst());
    return src.substr(0, src.rfind('/') + 1) != dst.substr(0, dst.rfind('/') + 1);
  }

 private:
  // A path below its run's folder, as the user sees it: names tool rows show
  // old and new names side by side.
  static std::string Below(const std::string& path, const std::string& folder) {
    const std::string prefix = zv::AddBackslash(folder);
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
  }
  static QString Relative(const std::string& path, const std::string& folder) {
    return PathToQString(Below(path, folder));
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
  const QString unchanged = o.action == zv::FileAction::Converted ? QString() : Ui(zv::texts::kPreviewNoDiff);
  m_pBefore->setPlaceholderText(unchanged);
  m_pAfter->setPlaceholderText(unchanged);
  if (!unchanged.isEmpty()) return;
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
