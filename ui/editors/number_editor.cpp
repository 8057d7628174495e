#include "ui/editors/number_editor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <tuple>

#include "chipmodel/chip_engine.h"
#include "chipmodel/number_text.h"
#include "uifeatures/ui_features.h"
#include "uimodel/editor_rules.h"

namespace k7q {

namespace {

unsigned DisplayRadix(ChipEngine& chip, const std::string& feature) {
  const unsigned radix = chip.GetRadix(feature);
  return radix == 2 || radix == 16 ? radix : 10;
}

}  // namespace

NumberEditor::NumberEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item, int id,
                           unsigned radix, unsigned width)
    : FeatureEditor(owner, chip, ui, item, id), width_(width) {
  radix_ = radix;
  AddCurrentlyLine();
  edit_ = new QLineEdit(this);
  edit_->setObjectName("2503");
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const int cursor = edit_->cursorPosition();
    edit_->setText(text.toUpper());
    edit_->setCursorPosition(cursor);
  });
  connect(edit_, &QLineEdit::editingFinished, this, [this] { Validate(); });
  if (!chip.IsFeatureWriteOnly(Feature())) SetNumber(chip.GetFieldValue(Feature()));
}

NumberEditor::NumberEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item)
    : NumberEditor(owner, chip, ui, item, 203, DisplayRadix(chip, item.feature.value_or("")), 0) {
  edit_->setAlignment(Qt::AlignRight);
  auto* row = new QHBoxLayout;
  row->addWidget(edit_, 1);
  const char* unit = chip.GetUnit(Feature());
  units_ = new QLabel(QString::fromStdString(unit ? unit : ""), this);
  units_->setObjectName("2508");
  row->addWidget(units_);
  auto* layout = static_cast<QVBoxLayout*>(this->layout());
  layout->addLayout(row);
  auto* radios = new QHBoxLayout;
  for (const auto& [id, text, radix] :
       {std::tuple{2510, "&HEX", 16u}, {2509, "&DEC", 10u}, {2511, "&BIN", 2u}}) {
    auto* button = new QRadioButton(text, this);
    button->setObjectName(QString::number(id));
    button->setChecked(radix == radix_);
    const unsigned newRadix = radix;
    connect(button, &QRadioButton::clicked, this, [this, newRadix] { SwitchRadix(newRadix); });
    radios->addWidget(button);
    radioButtons_ << button;
  }
  layout->addLayout(radios);
  RefreshCurrently();
  FinishSetup();
}

bool NumberEditor::Apply() {
  uint32_t value = 0;
  if (!Validate(&value)) {
    QApplication::beep();
    edit_->setFocus();
    edit_->selectAll();
    return false;
  }
  chip_.SetFieldValue(Feature(), value);
  return true;
}

QList<QWidget*> NumberEditor::ValueControls() const {
  QList<QWidget*> controls{currently_, edit_};
  if (units_) controls << units_;
  for (QRadioButton* button : radioButtons_) controls << button;
  return controls;
}

void NumberEditor::SetNumber(uint32_t value) {
  edit_->setText(QString::fromStdString(FormatNumber(value, radix_, width_)));
}

void NumberEditor::SwitchRadix(unsigned radix) {
  uint32_t value = 0;
  std::string error;
  // A text that cannot be read stays as typed; Validate shows why.
  const bool read = ReadTypedNumber(edit_->text().toStdString(), radix_, &value, &error);
  radix_ = radix;
  if (read) SetNumber(value);
  if (errorShown_) {
    Validate();
  } else {
    RefreshCurrently();
  }
  edit_->setFocus();
  edit_->selectAll();
}

bool NumberEditor::Validate(uint32_t* value) {
  uint32_t number = 0;
  std::string error;
  if (ReadTypedNumber(edit_->text().toStdString(), radix_, &number, &error)) {
    error = ValidateNumber(chip_, Feature(), number, radix_);
  }
  errorShown_ = !error.empty();
  if (errorShown_) {
    ShowCurrently(QString::fromStdString(error), true);
    return false;
  }
  RefreshCurrently();
  if (value) *value = number;
  return true;
}

}  // namespace k7q
