#pragma once
// Dialog units to pixels, from the dialog font's metrics the way the
// original platform computes them, so layouts can be written in the units
// of the dialog tables.

#include <QFont>
#include <QRect>

class QWidget;

class CDialogUnits {
 public:
  explicit CDialogUnits(const QFont& font);

  // "ＭＳ Ｐゴシック" 9 point, then IPAPGothic, then the system's Japanese sans.
  static QFont DialogFont();
  // The same for the fixed-pitch "ＭＳ ゴシック".
  static QFont FixedDialogFont();

  int X(int units) const { return units * m_nBaseX / 4; }
  int Y(int units) const { return units * m_nBaseY / 8; }
  QRect Rect(int x, int y, int cx, int cy) const { return {X(x), Y(y), X(cx), Y(cy)}; }
  QSize Size(int cx, int cy) const { return {X(cx), Y(cy)}; }
  // Places child at the dialog-unit rectangle.
  void Place(QWidget* child, int x, int y, int cx, int cy) const;

  int BaseX() const { return m_nBaseX; }
  int BaseY() const { return m_nBaseY; }

 private:
  int m_nBaseX;  // average character width in pixels
  int m_nBaseY;  // character height in pixels
};
