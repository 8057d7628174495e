#include "ui/editors/sequence_editor.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "chipmodel/chip_engine.h"
#include "chipmodel/number_text.h"

namespace k7q {

namespace {

constexpr uint32_t kKinds[] = {kSequenceCommand, kSequenceParameter, kSequenceDelay};

int KindIndex(uint32_t kind) {
  return kind == kSequenceParameter ? 1 : kind == kSequenceDelay ? 2 : 0;
}

}  // namespace

SequenceEditor::SequenceEditor(QWidget* owner, ChipEngine& chip, UiFeatures& ui, UiItem& item)
    : FeatureEditor(owner, chip, ui, item, 215) {
  maxLength_ = chip.SequenceMaxLength(Feature());
  SequenceItem entry;
  for (uint32_t i = 0; items_.size() < maxLength_; ++i) {
    entry.label.clear();
    if (!chip.GetSequenceItem(Feature(), i, &entry.kind, &entry.value, &entry.label)) break;
    entry.label = entry.label.substr(0, 255);
    items_.push_back(entry);
  }
  auto* layout = this->layout();
  list_ = new QListWidget(this);
  list_->setObjectName("2505");
  layout->addWidget(list_);
  auto* details = new QGroupBox("Details", this);
  auto* form = new QFormLayout(details);
  type_ = new QComboBox(details);
  type_->setObjectName("2513");
  type_->addItems({"COMMAND", "PARAM", "DELAY"});
  value_ = new QLineEdit(details);
  value_->setObjectName("2512");
  label_ = new QLineEdit(details);
  label_->setObjectName("2514");
  label_->setMaxLength(255);
  form->addRow("&Type:", type_);
  form->addRow("&Value:", value_);
  form->addRow("&Label:", label_);
  layout->addWidget(details);
  auto* row = new QHBoxLayout;
  const struct {
    int id;
    const char* text;
    void (SequenceEditor::*action)();
  } kButtons[] = {{3, "&Insert", &SequenceEditor::Insert},
                  {4, "&Append", &SequenceEditor::Append},
                  {5, "&Delete", &SequenceEditor::Delete},
                  {6, "D&elete All", &SequenceEditor::DeleteAll}};
  for (const auto& button : kButtons) {
    auto* push = new QPushButton(button.text, this);
    push->setObjectName(QString::number(button.id));
    push->setAutoDefault(false);
    connect(push, &QPushButton::clicked, this, button.action);
    row->addWidget(push);
    buttons_ << push;
  }
  static_cast<QVBoxLayout*>(layout)->addLayout(row);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    current_ = static_cast<size_t>(row);
    ShowDetails();
  });
  connect(type_, &QComboBox::activated, this, &SequenceEditor::SetType);
  connect(value_, &QLineEdit::editingFinished, this, &SequenceEditor::ReadValue);
  connect(label_, &QLineEdit::editingFinished, this, &SequenceEditor::ReadLabel);
  FillList();
  ShowDetails();
  FinishSetup();
}

void SequenceEditor::FillList() {
  const QSignalBlocker blocker(list_);
  list_->clear();
  for (const SequenceItem& entry : items_) {
    list_->addItem(QString::fromStdString(SequenceLine(entry)));
  }
  if (current_ < items_.size()) list_->setCurrentRow(static_cast<int>(current_));
}

void SequenceEditor::ShowDetails() {
  const bool any = current_ < items_.size();
  const QSignalBlocker typeBlocker(type_);
  const QSignalBlocker valueBlocker(value_);
  const QSignalBlocker labelBlocker(label_);
  type_->setCurrentIndex(any ? KindIndex(items_[current_].kind) : 0);
  value_->setText(any ? QString::fromStdString(FormatNumber(
                            items_[current_].value, SequenceRadix(items_[current_].kind), 0))
                      : QString());
  label_->setText(any ? QString::fromStdString(items_[current_].label) : QString());
  for (QWidget* control : {static_cast<QWidget*>(type_), static_cast<QWidget*>(value_),
                           static_cast<QWidget*>(label_)}) {
    control->setEnabled(any);
  }
}

void SequenceEditor::SetType(int index) {
  if (current_ >= items_.size() || index < 0 || index > 2) return;
  items_[current_].kind = kKinds[index];
  FillList();
  ShowDetails();
}

void SequenceEditor::ReadValue() {
  if (current_ >= items_.size()) return;
  SequenceItem& entry = items_[current_];
  entry.value = 0;
  const std::string text = value_->text().toStdString();
  if (!text.empty()) entry.value = ReadNumber(text, SequenceRadix(entry.kind));
  FillList();
  ShowDetails();
}

void SequenceEditor::ReadLabel() {
  if (current_ >= items_.size()) return;
  items_[current_].label = label_->text().left(255).toStdString();
  FillList();
  ShowDetails();
}

void SequenceEditor::Insert() {
  if (items_.size() >= maxLength_) {
    QApplication::beep();
    return;
  }
  current_ = std::min(current_, items_.size());
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(current_),
                SequenceItem{kSequenceCommand, 0, {}});
  FillList();
  ShowDetails();
  type_->setFocus();
}

void SequenceEditor::Append() {
  if (items_.size() >= maxLength_) {
    QApplication::beep();
    return;
  }
  const uint32_t kind = items_.empty() ? kSequenceCommand : items_.back().kind;
  items_.push_back(SequenceItem{kind, 0, {}});
  current_ = items_.size() - 1;
  FillList();
  ShowDetails();
  type_->setFocus();
}

void SequenceEditor::Delete() {
  if (items_.empty()) {
    QApplication::beep();
    return;
  }
  current_ = std::min(current_, items_.size() - 1);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(current_));
  if (current_ == items_.size() && !items_.empty()) current_ = items_.size() - 1;
  FillList();
  ShowDetails();
}

void SequenceEditor::DeleteAll() {
  if (items_.empty()) {
    QApplication::beep();
    return;
  }
  items_.clear();
  current_ = 0;
  FillList();
  ShowDetails();
}

bool SequenceEditor::Apply() {
  for (size_t i = 0; i < items_.size(); ++i) {
    chip_.SetSequenceItem(Feature(), static_cast<uint32_t>(i), items_[i].kind, items_[i].value,
                          items_[i].label);
  }
  chip_.SetSequenceLength(Feature(), static_cast<uint32_t>(items_.size()));
  return true;
}

QList<QWidget*> SequenceEditor::ValueControls() const {
  return QList<QWidget*>{list_, type_, value_, label_} + buttons_;
}

}  // namespace k7q
