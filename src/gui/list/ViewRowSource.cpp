#include "list/ViewRowSource.h"

#include <QMetaObject>
#include <QThread>

#include "list/ZentravolixView.h"

CViewRowSource::CViewRowSource(CZentravolixView* view) : m_pView(view) {}

zv::SharedRows CViewRowSource::GetRows() {
  CZentravolixView* view = m_pView.data();
  if (!view) return m_rows.Hand({});
  if (QThread::currentThread() == view->thread()) return m_rows.Hand(view->GetRows());
  // The view outlives every worker: it waits for them before it goes.
  zv::ConvertRows rows;
  QMetaObject::invokeMethod(
      view, [view, &rows] { rows = view->GetRows(); }, Qt::BlockingQueuedConnection);
  return m_rows.Hand(std::move(rows));
}
