// The list editor, for lists and booleans.
#pragma once

#include "ui/editors/feature_editor.h"

class QListWidget;

namespace k7q {

class ListEditor : public FeatureEditor {
  Q_OBJECT

 public:
  ListEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

 protected:
  bool Apply() override;
  QList<QWidget*> ValueControls() const override;

 private:
  QListWidget* list_;
};

}  // namespace k7q
