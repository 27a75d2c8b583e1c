#include "app/ByteLimitedEdit.h"

#include "app/QStringBytes.h"

CByteLimitedEdit::CByteLimitedEdit(std::size_t limitBytes, QWidget* parent)
    : QLineEdit(parent), m_nLimit(limitBytes) {
  connect(this, &QLineEdit::textChanged, this, &CByteLimitedEdit::Enforce);
}

void CByteLimitedEdit::SetLimitBytes(std::size_t limitBytes) {
  m_nLimit = limitBytes;
  m_strAccepted.clear();
  Enforce(text());
}

void CByteLimitedEdit::Enforce(const QString& now) {
  if (m_bEnforcing) return;
  // Find what the change put in: now = prefix + inserted + suffix, where
  // prefix and suffix were already there.
  const QString& before = m_strAccepted;
  qsizetype prefix = 0;
  qsizetype suffix = 0;
  // A plain insertion ends at the cursor; taking it from there keeps the
  // cut where the user typed even inside a run of equal characters.
  const qsizetype grown = now.size() - before.size();
  const qsizetype cursor = cursorPosition();
  if (grown > 0 && cursor >= grown && cursor <= now.size() &&
      QStringView(now).left(cursor - grown) == QStringView(before).left(cursor - grown) &&
      QStringView(now).mid(cursor) == QStringView(before).mid(cursor - grown)) {
    prefix = cursor - grown;
    suffix = now.size() - cursor;
  } else {
    while (prefix < now.size() && prefix < before.size() && now.at(prefix) == before.at(prefix)) ++prefix;
    while (suffix < now.size() - prefix && suffix < before.size() - prefix &&
           now.at(now.size() - 1 - suffix) == before.at(before.size() - 1 - suffix)) {
      ++suffix;
    }
  }
  // Never split a surrogate pair at either edge.
  if (prefix > 0 && now.at(prefix - 1).isHighSurrogate()) --prefix;
  if (suffix > 0 && now.at(now.size() - suffix).isLowSurrogate()) --suffix;

  const QString head = now.left(prefix);
  const QString tail = now.right(suffix);
  const QString inserted = now.mid(prefix, now.size() - prefix - suffix);
  const std::size_t kept = Cp932Length(head) + Cp932Length(tail);

  QString fitted;
  std::size_t used = kept;
  for (qsizetype i = 0; i < inserted.size();) {
    const qsizetype n = inserted.at(i).isHighSurrogate() && i + 1 < inserted.size() ? 2 : 1;
    const QString ch = inserted.mid(i, n);
    i += n;
    if (!IsEncodable(ch)) continue;
    const std::size_t len = Cp932Length(ch);
    if (used + len > m_nLimit) break;
    used += len;
    fitted += ch;
  }

  const QString result = head + fitted + tail;
  if (result != now) {
    m_bEnforcing = true;
    setText(result);
    setCursorPosition(static_cast<int>(prefix + fitted.size()));
    m_bEnforcing = false;
  }
  m_strAccepted = result;
}
