#include "filename/BitmapButton.h"

#include <QPainter>

CBitmapButton::CBitmapButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
  setText(text);
  setFocusPolicy(Qt::StrongFocus);
}

bool CBitmapButton::LoadBitmaps(const QString& normal, const QString& pressed, const QString& focused,
                                const QString& disabled) {
  m_bitmaps[0] = QPixmap(normal);
  if (m_bitmaps[0].isNull()) return false;
  m_bitmaps[1] = pressed.isEmpty() ? m_bitmaps[0] : QPixmap(pressed);
  m_bitmaps[2] = focused.isEmpty() ? m_bitmaps[0] : QPixmap(focused);
  m_bitmaps[3] = disabled.isEmpty() ? m_bitmaps[0] : QPixmap(disabled);
  update();
  return !m_bitmaps[1].isNull() && !m_bitmaps[2].isNull() && !m_bitmaps[3].isNull();
}

CBitmapButton::State CBitmapButton::CurrentState() const {
  if (!isEnabled()) return State::Disabled;
  if (isDown()) return State::Pressed;
  if (hasFocus()) return State::Focused;
  return State::Normal;
}

const QPixmap& CBitmapButton::Bitmap(State state) const { return m_bitmaps[static_cast<int>(state)]; }

QSize CBitmapButton::sizeHint() const { return m_bitmaps[0].isNull() ? QSize(21, 19) : m_bitmaps[0].size(); }

void CBitmapButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPixmap& pixmap = Bitmap(CurrentState());
  if (pixmap.isNull()) return;
  // Drawn at its own size, centred: the control may be larger than the image.
  const QPoint at((width() - pixmap.width()) / 2, (height() - pixmap.height()) / 2);
  painter.drawPixmap(at, pixmap);
}
