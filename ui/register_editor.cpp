#include "ui/register_editor.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "chipmodel/number_text.h"
#include "chipmodel/text_format.h"
#include "chipmodel/value_text.h"
#include "ui/currently_line.h"

namespace k7q {

namespace {

// Caption form: "REG[0001h] FX Register".
constexpr uint32_t kCaptionLabel = 0x1B;

}  // namespace

RegisterEditor::RegisterEditor(QWidget* owner, ChipEngine& chip, ManualChanges& changes, size_t row,
                               uint32_t index, unsigned& radix)
    : QDialog(owner), chip_(chip), changes_(changes), row_(row), index_(index), radix_(radix) {
  setObjectName("210");
  setWindowTitle(QString::fromStdString(RegisterLabel(chip, index, kCaptionLabel).value_or("")));
  auto* layout = new QVBoxLayout(this);
  currently_ = new QLabel(this);
  currently_->setObjectName("2101");
  layout->addWidget(currently_);
  edit_ = new QLineEdit(this);
  edit_->setObjectName("2103");
  layout->addWidget(edit_);
  auto* radios = new QHBoxLayout;
  const struct {
    int id;
    const char* text;
    unsigned radix;
  } kRadios[] = {{2105, "&HEX", 16}, {2104, "&DEC", 10}, {2106, "&BIN", 2}};
  for (const auto& r : kRadios) {
    auto* button = new QRadioButton(r.text, this);
    button->setObjectName(QString::number(r.id));
    button->setChecked(r.radix == radix_);
    const unsigned target = r.radix;
    connect(button, &QRadioButton::clicked, this, [this, target] { SwitchRadix(target); });
    radios->addWidget(button);
  }
  layout->addLayout(radios);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &RegisterEditor::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  connect(edit_, &QLineEdit::editingFinished, this, &RegisterEditor::RefreshCurrently);

  edit_->setText(QString::fromStdString(FormatNumber(RowValue(chip_, row_, index_), radix_, 0)));
  RefreshCurrently();
}

void RegisterEditor::SwitchRadix(unsigned radix) {
  const std::optional<uint32_t> value = ReadWholeNumber(edit_->text().toStdString(), radix_);
  radix_ = radix;
  // A text that cannot be read stays as typed, to be refused on OK.
  if (value) edit_->setText(QString::fromStdString(FormatNumber(*value, radix_, 0)));
  RefreshCurrently();
  edit_->setFocus();
  edit_->selectAll();
}

void RegisterEditor::RefreshCurrently() {
  SetCurrentlyLine(currently_,
                   "Currently  =  " + QString::fromStdString(
                                          FormatNumber(RowValue(chip_, row_, index_), radix_, 0)),
                   false);
}

void RegisterEditor::accept() {
  const std::string typed = edit_->text().toStdString();
  std::string error;
  const std::optional<uint32_t> value = ReadWholeNumber(typed, radix_, &error);
  const uint32_t bits = chip_.RegisterHexDigits(index_, false) * 4;
  std::string refusal;
  if (!value) {
    refusal = "Cannot read \"" + typed + "\": " + error;
  } else if (bits > 0 && bits < 32 && (*value >> bits) != 0) {
    refusal =
        StringPrintf("Cannot store \"%s\": the value does not fit %u bits", typed.c_str(), bits);
  }
  if (!refusal.empty()) {
    // Refused with the reason in red; the dialog stays open for the edit to be corrected.
    SetCurrentlyLine(currently_, QString::fromStdString(refusal), true);
    QApplication::beep();
    edit_->setFocus();
    edit_->selectAll();
    return;
  }
  SetRowByHand(chip_, changes_, row_, index_, *value);
  QDialog::accept();
}

}  // namespace k7q
