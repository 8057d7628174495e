#include "ui/editors/text_editor.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

#include "chipmodel/chip_engine.h"
#include "chipmodel/latin1_text.h"
#include "uimodel/editor_rules.h"
#include "uimodel/value_limits.h"

namespace k7q {

TextEditor::TextEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item)
    : FeatureEditor(owner, chip, ui, item, 204) {
  AddCurrentlyLine();
  edit_ = new QLineEdit(this);
  edit_->setObjectName("2504");
  edit_->setMaxLength(1023);
  if (!chip.IsFeatureWriteOnly(Feature())) {
    const char* text = chip.GetValueText(Feature(), true);
    // The block's 8-bit characters, one byte each.
    edit_->setText(QString::fromLatin1(text ? text : ""));
  }
  layout()->addWidget(edit_);
  RefreshCurrently();
  FinishSetup();
}

bool TextEditor::Apply() {
  // An empty edit, or a text the chip rejects, leaves the feature as it was.
  std::string reason;
  const std::optional<std::string> bytes = Utf8ToLatin1(edit_->text().toStdString(), &reason);
  if (!bytes) return Refuse("Cannot store the text: " + reason + ".");
  const std::string text = bytes->substr(0, 1023);
  if (text.empty()) return true;
  // What the command line refuses is refused here; the dialog stays open to correct it.
  if (const std::string refusal = TextLimitRefusal(chip_, Feature(), text); !refusal.empty())
    return Refuse("Cannot store the text: it is " + refusal + ".");
  if (chip_.GetType(Feature()) != kTypeFreq) {
    chip_.SetValueText(Feature(), text);
    return true;
  }
  // A frequency that cannot be read whole is refused.
  std::string error;
  if (SetFrequencyText(chip_, Feature(), text, &error)) return true;
  return Refuse("Cannot read \"" + Latin1ToUtf8(text) + "\": " + error);
}

bool TextEditor::Refuse(const std::string& why) {
  ShowCurrently(QString::fromStdString(why), true);
  QApplication::beep();
  edit_->setFocus();
  edit_->selectAll();
  return false;
}

QList<QWidget*> TextEditor::ValueControls() const {
  return {currently_, edit_};
}

}  // namespace k7q
