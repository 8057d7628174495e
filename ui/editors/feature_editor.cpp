#include "ui/editors/feature_editor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "chipmodel/chip_engine.h"
#include "chipmodel/labels.h"
#include "ui/currently_line.h"
#include "uifeatures/ui_features.h"
#include "uimodel/editor_rules.h"

namespace k7q {

FeatureEditor::FeatureEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item, int id)
    : QDialog(owner), chip_(chip), ui_(ui), item_(item), feature_(item.feature.value_or("")) {
  setObjectName(QString::number(id));
  setWindowTitle(QString::fromStdString(ui.Label(item, kLabelName | kLabelMarkers)));
  new QVBoxLayout(this);
}

void FeatureEditor::AddCurrentlyLine() {
  currently_ = new QLabel(this);
  currently_->setObjectName("2506");
  layout()->addWidget(currently_);
}

void FeatureEditor::FinishSetup() {
  auto* row = new QHBoxLayout;
  override_ = new QPushButton("DISABLED OFF", this);
  override_->setObjectName("2515");
  row->addWidget(override_);
  row->addStretch(1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &FeatureEditor::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FeatureEditor::reject);
  row->addWidget(buttons);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  if (!item_.overrideFeature) {
    override_->hide();
    return;
  }
  overrideOn_ = chip_.GetFieldValue(*item_.overrideFeature) != 0;
  connect(override_, &QPushButton::clicked, this, [this] {
    overrideOn_ = !overrideOn_;
    ShowOverride();
  });
  ShowOverride();
}

void FeatureEditor::ShowOverride() {
  const OptText& text = overrideOn_ ? item_.overridePos : item_.overrideNeg;
  override_->setText(QString::fromStdString(text.value_or("")));
  for (QWidget* control : ValueControls()) control->setEnabled(!overrideOn_);
}

void FeatureEditor::ShowCurrently(const QString& text, bool error) {
  SetCurrentlyLine(currently_, text, error);
}

void FeatureEditor::RefreshCurrently() {
  // Value texts hold the block's 8-bit characters.
  ShowCurrently(QString::fromLatin1(CurrentlyLine(chip_, feature_, radix_)), false);
}

void FeatureEditor::accept() {
  if (item_.overrideFeature) chip_.SetFieldValue(*item_.overrideFeature, overrideOn_ ? 1 : 0);
  if (Apply()) done(1);
}

}  // namespace k7q
