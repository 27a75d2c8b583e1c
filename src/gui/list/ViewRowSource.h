#pragma once
// The rows of the list view for a folder run's worker: each call is served on
// the user-interface thread while the worker waits, and gives the rows in
// display order at that moment.

#include <QPointer>

#include "filename/RunInterfaces.h"

class CZentravolixView;

class CViewRowSource : public zv::RowSource {
 public:
  explicit CViewRowSource(CZentravolixView* view);

  zv::SharedRows GetRows() override;

 private:
  QPointer<CZentravolixView> m_pView;
  zv::StableRows m_rows;
};
