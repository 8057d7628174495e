#include "ui/template_chooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

#include "chipmodel/labels.h"
#include "ui/message_box.h"
#include "uifeatures/ui_features.h"

namespace k7q {

TemplateChooser::TemplateChooser(QWidget* owner, UiFeatures& ui, UiItem& item)
    : QDialog(owner), ui_(ui), item_(item) {
  setObjectName("216");
  setWindowTitle(QString::fromStdString(ui.Label(item, kLabelName | kLabelMarkers)));
  auto* layout = new QVBoxLayout(this);
  templates_ = new QListWidget(this);
  templates_->setObjectName("2507");
  details_ = new QListWidget(this);
  details_->setObjectName("2505");
  if (item.enabled) {
    for (size_t i = 0; i < item.templates.size(); ++i) {
      templates_->addItem(QString::fromStdString(item.templates[i].fullName.value_or("")));
    }
    const int match = ui.MatchTemplate(item);
    if (match >= 0) templates_->setCurrentRow(match);
  } else {
    templates_->addItem("ERROR: File is missing or versions are mismatched.");
  }
  layout->addWidget(templates_);
  layout->addWidget(details_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TemplateChooser::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(0); });
  // The selection, not the current row, is the choice: focusing the list makes its first
  // row current without choosing it.
  connect(templates_, &QListWidget::itemSelectionChanged, this, [this] { ShowDetails(); });
  connect(templates_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* entry) {
    if (!item_.enabled) return;
    Apply(templates_->row(entry));
    done(1);
  });
  ShowDetails();
}

void TemplateChooser::accept() {
  if (item_.enabled && SelectedRow() >= 0) Apply(SelectedRow());
  done(1);
}

int TemplateChooser::SelectedRow() const {
  const QList<QListWidgetItem*> selected = templates_->selectedItems();
  return selected.isEmpty() ? -1 : templates_->row(selected.first());
}

void TemplateChooser::ShowDetails() {
  details_->clear();
  const int index = item_.enabled ? SelectedRow() : -1;
  if (index < 0) {
    details_->addItem("None of the templates match current settings.");
    details_->setEnabled(false);
    FitWidth();
    return;
  }
  details_->setEnabled(true);
  const auto& values = item_.templates[index].values;
  for (size_t v = 0; v < values.size(); ++v) {
    details_->addItem(
        QString::fromStdString(ui_.TemplateValueName(item_, index, static_cast<int>(v), 0x01) +
                               "  =  " + values[v].value));
  }
  FitWidth();
}

// Both lists show their longest line whole.
void TemplateChooser::FitWidth() {
  for (QListWidget* list : {templates_, details_}) {
    list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                          list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
  }
}

void TemplateChooser::Apply(int index) {
  std::string error;
  if (!ui_.ApplyTemplate(item_, index, &error)) {
    ShowMessage(this, QString::fromStdString(error), QMessageBox::Warning);
  }
}

}  // namespace k7q
