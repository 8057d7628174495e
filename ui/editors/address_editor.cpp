#include "ui/editors/address_editor.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

#include "chipmodel/chip_engine.h"
#include "ui/features_page.h"
#include "uimodel/editor_rules.h"

namespace k7q {

AddressEditor::AddressEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item)
    : NumberEditor(owner, chip, ui, item, 217, 16, 8) {
  edit_->setAlignment(Qt::AlignCenter);
  layout()->addWidget(edit_);
  layout()->addWidget(new QLabel("Current memory map:", this));
  map_ = new QListWidget(this);
  map_->setObjectName("2505");
  map_->setFont(FeaturesPageFont());
  std::string name;
  uint32_t first = 0, second = 0;
  const uint32_t kind = chip.GetOffsetBase(Feature());
  for (uint32_t i = 0; chip.MemoryMapEntry(kind, i, &name, &first, &second); ++i) {
    map_->addItem(QString::fromStdString(MemoryMapLine(first, second, name)));
  }
  // Only a selected line is copied: focusing the list makes a line current unselected.
  connect(map_, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = map_->selectedItems();
    if (!selected.isEmpty()) SetNumber(MemoryMapLineStart(selected.first()->text().toStdString()));
  });
  // Wide enough for the longest line and the scroll bar, in the map's own font.
  map_->setMinimumWidth(map_->sizeHintForColumn(0) + 2 * map_->frameWidth() +
                        map_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
  layout()->addWidget(map_);
  RefreshCurrently();
  FinishSetup();
}

QList<QWidget*> AddressEditor::ValueControls() const {
  return {currently_, edit_, map_};
}

}  // namespace k7q
