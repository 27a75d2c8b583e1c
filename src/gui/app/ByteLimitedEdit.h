#pragma once
// A one-line edit that holds at most a number of bytes, counted as CP932
// bytes, and only characters the active code page can hold. Typing, pasting,
// dropping and input-method text are all cut to fit at a character boundary.

#include <QLineEdit>

class CByteLimitedEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CByteLimitedEdit(std::size_t limitBytes, QWidget* parent = nullptr);

  void SetLimitBytes(std::size_t limitBytes);
  std::size_t LimitBytes() const { return m_nLimit; }

 private:
  void Enforce(const QString& text);

  std::size_t m_nLimit;
  QString m_strAccepted;  // the text as it stood after the last change
  bool m_bEnforcing = false;
};
