// The number editor: a number in a selectable radix, checked against the feature's
// range and step; also the base of the address editor.
#pragma once

#include <cstdint>

#include "ui/editors/feature_editor.h"

class QLineEdit;
class QRadioButton;

namespace k7q {

class NumberEditor : public FeatureEditor {
  Q_OBJECT

 public:
  NumberEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

 protected:
  // The "Currently" line and the upper-case edit, shown in radix with width digits.
  NumberEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item, int id,
               unsigned radix, unsigned width);
  bool Apply() override;
  QList<QWidget*> ValueControls() const override;
  void SetNumber(uint32_t value);
  // Shows the range or alignment message in the "Currently" line when invalid.
  bool Validate(uint32_t* value = nullptr);

  QLineEdit* edit_ = nullptr;

 private:
  void SwitchRadix(unsigned radix);

  unsigned width_ = 0;
  bool errorShown_ = false;
  QWidget* units_ = nullptr;
  QList<QRadioButton*> radioButtons_;
};

}  // namespace k7q
