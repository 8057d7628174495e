// The register editor: a register's value in hexadecimal, decimal or binary.
#pragma once

#include <QDialog>

#include "uimodel/register_rows.h"

class QLabel;
class QLineEdit;

namespace k7q {

class ChipEngine;

class RegisterEditor : public QDialog {
 public:
  // radix: the radix to start in; it is updated when the user switches.
  RegisterEditor(QWidget* owner, ChipEngine& chip, ManualChanges& changes, size_t row,
                 uint32_t index, unsigned& radix);

  void accept() override;

 private:
  void SwitchRadix(unsigned radix);
  void RefreshCurrently();

  ChipEngine& chip_;
  ManualChanges& changes_;
  size_t row_;
  uint32_t index_;
  unsigned& radix_;
  QLabel* currently_;
  QLineEdit* edit_;
};

}  // namespace k7q
