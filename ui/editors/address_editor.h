// The address editor: an address in hexadecimal beside the chip's memory map.
#pragma once

#include "ui/editors/number_editor.h"

class QListWidget;

namespace k7q {

class AddressEditor : public NumberEditor {
  Q_OBJECT

 public:
  AddressEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

 protected:
  QList<QWidget*> ValueControls() const override;

 private:
  QListWidget* map_;
};

}  // namespace k7q
