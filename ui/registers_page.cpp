#include "ui/registers_page.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "config/chip62500.h"
#include "ui/control_name.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "ui/register_editor.h"
#include "uimodel/register_rows.h"

namespace k7q {

namespace {

// What outlives the page: the hand changes, the scroll position and selection, and the
// editor's radix.
struct RegistersMemory {
  ManualChanges changes;
  int topRow = -1;
  int selectedRow = -1;
  unsigned radix = 16;
};

RegistersMemory& Memory() {
  static RegistersMemory memory;
  return memory;
}

class RegistersPage;
RegistersPage* openPage = nullptr;

constexpr int kFirstCheckTicks = 10;
constexpr int kLaterCheckTicks = 5;

QLabel* ColouredText(QWidget* parent, const char* id, const QString& text, QColor colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(id);
  label->setWordWrap(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

// A row whose description is built when asked for, so that it shows the values of the
// moment (an edit of one row can change the features described in another).
class RegisterRowItem : public QTreeWidgetItem {
 public:
  RegisterRowItem(QTreeWidget* list, ChipEngine& chip, const std::vector<uint32_t>& rows,
                  size_t row)
      : QTreeWidgetItem(list), chip_(chip), rows_(rows), row_(row) {}

  QVariant data(int column, int role) const override {
    if (role != Qt::ToolTipRole) return QTreeWidgetItem::data(column, role);
    return QString::fromStdString(RowDescription(chip_, Memory().changes, rows_, row_));
  }

 private:
  ChipEngine& chip_;
  const std::vector<uint32_t>& rows_;
  size_t row_;
};

class RegistersPage : public QWidget {
 public:
  RegistersPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(ControlName(ControlId::kRegistersPage));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ColouredText(this, "1802",
                                   "The following registers are in presented in order of "
                                   "initialization. The registers in this list will be used "
                                   "during chip initialization.",
                                   QColor(0, 0, 175)));
    list_ = new QTreeWidget(this);
    list_->setObjectName(ControlName(ControlId::kRegisterList));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({"REG", "REGISTER NAME", "HEX", "BIN", "DEC"});
    list_->headerItem()->setTextAlignment(4, Qt::AlignRight);
    list_->header()->setSectionsMovable(true);
    list_->installEventFilter(this);
    layout->addWidget(list_, 1);
    warning_ = ColouredText(this, "1803", QString(), QColor(175, 0, 0));
    layout->addWidget(warning_);
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { Activate(item); });

    Chip62500& chip = host_.Chip();
    rows_ = RegisterRows(chip);
    ReconcileChanges(chip, changes(), rows_);
    Fill();
    Report();
    if (chip.IsLiveMode()) {
      warning_->setText(
          "Warning: Modified register values will be written to the physical chip "
          "IMMEDIATELY!");
    }
    Restore();
    setFocusProxy(list_);
    countdown_ = kFirstCheckTicks;
    openPage = this;
  }

  ~RegistersPage() override {
    openPage = nullptr;
    QTreeWidgetItem* top = list_->itemAt(0, 0);
    Memory().topRow = top ? list_->indexOfTopLevelItem(top) : -1;
    if (QTreeWidgetItem* current = list_->currentItem())
      Memory().selectedRow = list_->indexOfTopLevelItem(current);
  }

  bool PeriodicCheck() {
    if (countdown_ == 0 || --countdown_ != 0) return false;
    const std::vector<size_t> changed = ChangedRows(host_.Chip(), changes(), rows_);
    for (size_t row : changed) {
      WriteCells(list_->topLevelItem(static_cast<int>(row)), row,
                 RowValue(host_.Chip(), row, rows_[row]));
    }
    countdown_ = kLaterCheckTicks;
    return !changed.empty();
  }

 private:
  static ManualChanges& changes() { return Memory().changes; }

  void Fill() {
    Chip62500& chip = host_.Chip();
    list_->setUpdatesEnabled(false);
    list_->clear();
    for (size_t p = 0; p < rows_.size(); ++p) {
      const uint32_t value = RowValue(chip, p, rows_[p]);
      NoteUnderlyingValue(changes(), p, value);
      auto* item = new RegisterRowItem(list_, chip, rows_, p);
      item->setTextAlignment(4, Qt::AlignRight);
      WriteCells(item, p, value);
    }
    for (int column = 0; column < list_->columnCount(); ++column)
      list_->resizeColumnToContents(column);
    list_->setUpdatesEnabled(true);
  }

  void WriteCells(QTreeWidgetItem* item, size_t row, uint32_t value) {
    Chip62500& chip = host_.Chip();
    const RowCells cells = MakeRowCells(chip, changes(), row, rows_[row], value);
    const std::string* texts[] = {&cells.reg, &cells.name, &cells.hex, &cells.bin, &cells.dec};
    for (int column = 0; column < 5; ++column)
      item->setText(column, QString::fromStdString(*texts[column]));
  }

  void Report() {
    host_.ShowDiagnostics(QString::fromStdString(ChangesReport(host_.Chip(), changes(), rows_)),
                          false);
  }

  void Restore() {
    const int count = list_->topLevelItemCount();
    if (Memory().topRow >= 0 && Memory().topRow < count) {
      list_->scrollToItem(list_->topLevelItem(count - 1));
      list_->scrollToItem(list_->topLevelItem(Memory().topRow), QAbstractItemView::PositionAtTop);
    }
    if (Memory().selectedRow >= 0 && Memory().selectedRow < count)
      list_->setCurrentItem(list_->topLevelItem(Memory().selectedRow));
  }

  void Activate(QTreeWidgetItem* item) {
    if (!item) return;
    Chip62500& chip = host_.Chip();
    const size_t row = static_cast<size_t>(list_->indexOfTopLevelItem(item));
    const uint32_t index = rows_[row];
    // No periodic check while a message or the editor is open.
    countdown_ = 0;
    if (IsRowReadOnly(chip, row, index)) {
      ShowMessage(host_.Window(), "This register is READONLY.");
    } else {
      RegisterEditor editor(host_.Window(), chip, changes(), row, index, Memory().radix);
      if (editor.exec() == QDialog::Accepted) {
        WriteCells(item, row, RowValue(chip, row, index));
        Report();
        host_.SettingsChanged();
      }
    }
    countdown_ = kFirstCheckTicks;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Activate(list_->currentItem());
        return true;
      }
    }
    return QWidget::eventFilter(watched, event);
  }

  PageHost& host_;
  QTreeWidget* list_;
  QLabel* warning_;
  std::vector<uint32_t> rows_;
  int countdown_ = 0;
};

}  // namespace

ManualChanges& RegisterHandChanges() {
  return Memory().changes;
}

bool CheckRegistersPage() {
  return openPage && openPage->PeriodicCheck();
}

QWidget* CreateRegistersPage(PageHost& host, QWidget* parent) {
  return new RegistersPage(host, parent);
}

}  // namespace k7q
