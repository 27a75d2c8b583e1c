#include "list/ViewRowSource.h"

#include "list/ZentravolixView.h"

zv::SharedRows CRowsSnapshot::Get() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_rows;
}

void CRowsSnapshot::Set(zv::SharedRows rows) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rows = std::move(rows);
}

CViewRowSource::CViewRowSource(const CZentravolixView* view) : m_snapshot(view->Snapshot()) {}
