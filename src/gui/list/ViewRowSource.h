#pragma once
// The view's rows as folder-run workers on other threads read them: a
// snapshot the view takes on its own thread whenever its list changes,
// handed out under a lock. A worker asks for the rows before every file (so
// an edit during a run reaches the files after it) without ever waiting for
// the user-interface thread, and gets the same pointer while the rows stay
// the same, which the engines' caches recognise.

#include <memory>
#include <mutex>

#include "filename/RunInterfaces.h"

class CZentravolixView;

class CRowsSnapshot {
 public:
  zv::SharedRows Get() const;
  void Set(zv::SharedRows rows);

 private:
  mutable std::mutex m_mutex;
  zv::SharedRows m_rows = std::make_shared<const zv::ConvertRows>();
};

class CViewRowSource : public zv::RowSource {
 public:
  // On the view's thread; the source may outlive the view.
  explicit CViewRowSource(const CZentravolixView* view);

  zv::SharedRows GetRows() override { return m_snapshot->Get(); }

 private:
  std::shared_ptr<const CRowsSnapshot> m_snapshot;
};
