// The text editor, for texts and frequencies.
#pragma once

#include "ui/editors/feature_editor.h"

class QLineEdit;

namespace k7q {

class TextEditor : public FeatureEditor {
  Q_OBJECT

 public:
  TextEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

 protected:
  bool Apply() override;
  QList<QWidget*> ValueControls() const override;

 private:
  // Shows why the text was refused, in red, and keeps the dialog open.
  bool Refuse(const std::string& why);

  QLineEdit* edit_;
};

}  // namespace k7q
