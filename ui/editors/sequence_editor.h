// The sequence editor: a working copy of a command/parameter/delay list that reaches
// the chip only on OK.
#pragma once

#include <vector>

#include "ui/editors/feature_editor.h"
#include "uimodel/editor_rules.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace k7q {

class SequenceEditor : public FeatureEditor {
  Q_OBJECT

 public:
  SequenceEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item);

 protected:
  bool Apply() override;
  QList<QWidget*> ValueControls() const override;

 private:
  void FillList();
  void ShowDetails();
  void SetType(int index);
  void ReadValue();
  void ReadLabel();
  void Insert();
  void Append();
  void Delete();
  void DeleteAll();

  std::vector<SequenceItem> items_;
  size_t maxLength_ = 0;
  size_t current_ = 0;
  QListWidget* list_;
  QComboBox* type_;
  QLineEdit* value_;
  QLineEdit* label_;
  QList<QWidget*> buttons_;
};

}  // namespace k7q
