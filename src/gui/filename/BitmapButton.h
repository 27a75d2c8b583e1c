#pragma once
// An owner-drawn push button that shows one of four images by its state
// (normal, pressed, focused, disabled). Its text is never drawn; it only
// carries the mnemonic.

#include <QAbstractButton>
#include <QPixmap>

class CBitmapButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit CBitmapButton(const QString& text, QWidget* parent = nullptr);

  // Resource paths; an empty path for focused or disabled falls back to normal.
  bool LoadBitmaps(const QString& normal, const QString& pressed, const QString& focused,
                   const QString& disabled);

  enum class State { Normal, Pressed, Focused, Disabled };
  State CurrentState() const;
  const QPixmap& Bitmap(State state) const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_bitmaps[4];
};
