#include "list/ViewRowSource.h"

#include <QMetaObject>
#include <QThread>

#include "list/ZentravolixView.h"

CViewRowSource::CViewRowSource(CZentravolixView* view) : m_pView(view) {}

zv::ConvertRows CViewRowSource::GetRows() {
  CZentravolixView* view = m_pView.data();
  if (!view) return {};
  if (QThread::currentThread() == view->thread()) return view->GetRows();
  // The view outlives every worker: it waits for them before it goes.
  zv::ConvertRows rows;
  QMetaObject::invokeMethod(
      view, [view, &rows] { rows = view->GetRows(); }, Qt::BlockingQueuedConnection);
  return rows;
}
