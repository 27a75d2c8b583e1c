#include "app/RecentFileList.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <algorithm>

namespace {

// The framework's own section and key names.
const QString kSection = QStringLiteral("Recent File List");

QString Key(int index) { return kSection + QStringLiteral("/File%1").arg(index + 1); }

}  // namespace

CRecentFileList::CRecentFileList() { ReadList(); }

void CRecentFileList::ReadList() {
  m_entries.clear();
  const QSettings settings;
  for (int i = 0; i < kSize; ++i) {
    // Bytes, not text: a legacy name is no valid UTF-8.
    std::string path = settings.value(Key(i)).toByteArray().toStdString();
    if (path.empty() || std::find(m_entries.begin(), m_entries.end(), path) != m_entries.end()) continue;
    m_entries.push_back(std::move(path));
  }
}

void CRecentFileList::Add(const std::string& path) {
  if (path.empty()) return;
  std::erase(m_entries, path);
  m_entries.insert(m_entries.begin(), path);
  if (m_entries.size() > static_cast<std::size_t>(kSize)) m_entries.resize(kSize);
  WriteList();
}

void CRecentFileList::Remove(const std::string& path) {
  if (std::erase(m_entries, path) > 0) WriteList();
}

void CRecentFileList::WriteList() const {
  QSettings settings;
  for (int i = 0; i < kSize; ++i) {
    if (static_cast<std::size_t>(i) < m_entries.size()) {
      settings.setValue(Key(i), QByteArray::fromStdString(m_entries[static_cast<std::size_t>(i)]));
    } else {
      settings.remove(Key(i));
    }
  }
}
