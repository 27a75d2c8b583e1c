#pragma once
// The 文字コード choice of the folder text settings and the text dialog: the
// session's code page, detection per file, or one encoding.

#include <QComboBox>

#include "text/TextEncoding.h"

class CEncodingChoiceBox : public QComboBox {
  Q_OBJECT
 public:
  explicit CEncodingChoiceBox(QWidget* parent = nullptr);

  zv::EncodingChoice Choice() const;
  void SetChoice(zv::EncodingChoice choice);
};
