#include "app/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

#include "app/QStringBytes.h"

namespace {

QStringList JapaneseFamilies(const char* first, const char* ipa) {
  return {Ui(first),
          Ui(ipa),
          QStringLiteral("IPAexGothic"),
          QStringLiteral("Noto Sans CJK JP"),
          QStringLiteral("VL PGothic"),
          QStringLiteral("Droid Sans Fallback"),
          QStringLiteral("sans-serif")};
}

}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
  const QFontMetrics fm(font);
  // The platform's rule: average width of the 52 Latin letters, rounded.
  const int width =
      fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_nBaseX = (width / 26 + 1) / 2;
  m_nBaseY = fm.height();
  if (m_nBaseX < 1) m_nBaseX = 1;
  if (m_nBaseY < 1) m_nBaseY = 1;
}

QFont CDialogUnits::DialogFont() {
  QFont font;
  font.setFamilies(JapaneseFamilies("ＭＳ Ｐゴシック", "IPAPGothic"));
  font.setPointSize(9);
  return font;
}

QFont CDialogUnits::FixedDialogFont() {
  QFont font;
  font.setFamilies(JapaneseFamilies("ＭＳ ゴシック", "IPAGothic"));
  font.setStyleHint(QFont::Monospace);
  font.setPointSize(9);
  return font;
}

void CDialogUnits::Place(QWidget* child, int x, int y, int cx, int cy) const {
  child->setGeometry(Rect(x, y, cx, cy));
}
