// The editor of an item's feature, chosen by the feature's type.
#pragma once

#include "ui/editors/feature_editor.h"

namespace k7q {

// nullptr for a feature type without an editor.
FeatureEditor* CreateFeatureEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

}  // namespace k7q
