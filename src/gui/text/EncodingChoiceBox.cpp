#include "text/EncodingChoiceBox.h"

#include "app/QStringBytes.h"
#include "text/FolderTextUiTexts.h"

namespace {

struct Entry {
  zv::EncodingChoice choice;
  const char* text;
};

constexpr Entry kEntries[] = {
    {zv::EncodingChoice::System, zv::texts::kEncodingSystem}, {zv::EncodingChoice::Auto, zv::texts::kEncodingAuto},
    {zv::EncodingChoice::Cp932, zv::texts::kEncodingCp932},   {zv::EncodingChoice::Utf8, zv::texts::kEncodingUtf8},
    {zv::EncodingChoice::EucJp, zv::texts::kEncodingEucJp},   {zv::EncodingChoice::Iso2022Jp, zv::texts::kEncodingIso2022Jp},
    {zv::EncodingChoice::Utf16, zv::texts::kEncodingUtf16},
};

}  // namespace

CEncodingChoiceBox::CEncodingChoiceBox(QWidget* parent) : QComboBox(parent) {
  for (const Entry& e : kEntries) addItem(Ui(e.text), static_cast<int>(e.choice));
}

zv::EncodingChoice CEncodingChoiceBox::Choice() const {
  return static_cast<zv::EncodingChoice>(currentData().toInt());
}

void CEncodingChoiceBox::SetChoice(zv::EncodingChoice choice) {
  setCurrentIndex(findData(static_cast<int>(choice)));
}
