#include "ui/editors/list_editor.h"

#include <QLabel>
#include <QLayout>
#include <QListWidget>

#include "chipmodel/chip_engine.h"

namespace k7q {

ListEditor::ListEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item)
    : FeatureEditor(owner, chip, ui, item, 206) {
  AddCurrentlyLine();
  list_ = new QListWidget(this);
  list_->setObjectName("2505");
  const uint32_t count = chip.OfferedListCount(Feature());
  for (uint32_t n = 0; n < count; ++n) {
    uint32_t first = 0, last = 0;
    chip.GetListEntry(Feature(), n, &first, &last);
    const char* text = chip.FormatRawValue(Feature(), first, false);
    list_->addItem(QString::fromStdString(text ? text : ""));
  }
  uint32_t position = 0;
  if (!chip.IsFeatureWriteOnly(Feature()) && chip.GetListPosition(Feature(), &position)) {
    list_->setCurrentRow(static_cast<int>(position));
  }
  // A double-click sets the value without the override state.
  connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* entry) {
    chip_.SetListPosition(Feature(), static_cast<uint32_t>(list_->row(entry)));
    done(1);
  });
  layout()->addWidget(list_);
  RefreshCurrently();
  FinishSetup();
}

bool ListEditor::Apply() {
  chip_.SetListPosition(Feature(), static_cast<uint32_t>(list_->currentRow()));
  return true;
}

QList<QWidget*> ListEditor::ValueControls() const {
  return {currently_, list_};
}

}  // namespace k7q
