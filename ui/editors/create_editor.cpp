#include "ui/editors/create_editor.h"

#include "chipmodel/chip_engine.h"
#include "ui/editors/address_editor.h"
#include "ui/editors/list_editor.h"
#include "ui/editors/number_editor.h"
#include "ui/editors/sequence_editor.h"
#include "ui/editors/text_editor.h"
#include "uifeatures/ui_features.h"

namespace k7q {

FeatureEditor* CreateFeatureEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item) {
  if (!item.feature) return nullptr;
  switch (chip.GetType(*item.feature)) {
    case kTypeNumb:
      return new NumberEditor(owner, chip, ui, item);
    case kTypeAddr:
      return new AddressEditor(owner, chip, ui, item);
    case kTypeFreq:
    case kTypeText:
      return new TextEditor(owner, chip, ui, item);
    case kTypeList:
    case kTypeBool:
      return new ListEditor(owner, chip, ui, item);
    case kTypeSequ:
      return new SequenceEditor(owner, chip, ui, item);
    default:
      return nullptr;
  }
}

}  // namespace k7q
