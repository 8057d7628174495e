#include "ui/features_page.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <deque>
#include <memory>
#include <set>

#include "chipmodel/chip_engine.h"
#include "config/chip62500.h"
#include "ui/control_name.h"
#include "ui/editors/create_editor.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "ui/template_chooser.h"
#include "uifeatures/ui_features.h"
#include "uimodel/value_limits.h"

namespace k7q {

namespace {

// Selection and scroll position survive the page.
const UiItem*& RememberedSelection() {
  static const UiItem* item = nullptr;
  return item;
}

const UiItem*& RememberedTop() {
  static const UiItem* item = nullptr;
  return item;
}

UiItem* ItemOf(QTreeWidgetItem* entry) {
  return entry ? reinterpret_cast<UiItem*>(entry->data(0, Qt::UserRole).value<quintptr>())
               : nullptr;
}

class FeaturesPage : public QWidget {
 public:
  FeaturesPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName(ControlName(ControlId::kFeaturesPage));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* note = new QLabel(
        "Not all features are shown here (only commonly used features).  If you need to "
        "change a feature not listed here, go to the Registers tab.",
        this);
    note->setObjectName("2501");
    note->setWordWrap(true);
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 175));
    note->setPalette(palette);
    layout->addWidget(note);
    find_ = new QLineEdit(this);
    find_->setObjectName("find");
    find_->setPlaceholderText("Find a feature by name or keyname (Ctrl+F)");
    find_->setClearButtonEnabled(true);
    find_->installEventFilter(this);
    layout->addWidget(find_);
    connect(find_, &QLineEdit::textChanged, this, [this] { Filter(); });
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(ControlName(ControlId::kFeatureTree));
    tree_->setHeaderHidden(true);
    tree_->setFont(FeaturesPageFont());
    tree_->installEventFilter(this);
    layout->addWidget(tree_, 1);
    connect(tree_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* entry) { Activate(entry); });
    // What the user opens and closes is remembered; what a search opens is not.
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* entry) {
      if (!searching_ && entry->parent() && ItemOf(entry)) ItemOf(entry)->expanded = true;
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* entry) {
      if (!searching_ && entry->parent() && ItemOf(entry)) ItemOf(entry)->expanded = false;
    });
    Fill();
    setFocusProxy(tree_);
    host_.ShowDiagnostics(QString(), false);
  }

  ~FeaturesPage() override { Remember(); }

 private:
  void Remember() {
    RememberedSelection() = ItemOf(tree_->currentItem());
    RememberedTop() = ItemOf(tree_->itemAt(0, 0));
  }

  void Add(UiNode& node, QTreeWidgetItem* parent, bool topLevel) {
    UiItem& item = node.item;
    if (features().IsHidden(item)) return;
    QString text = QString::fromLatin1(features().ItemText(item));
    if (topLevel && item.type != kUiTemplate) text = text.toUpper();
    auto* entry = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    entry->setText(0, text);
    if (item.feature) shown_.insert(*item.feature);
    entry->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&item)));
    if (item.feature) {
      entry->setToolTip(0, QString::fromStdString(features().Description(item)));
    }
    if (item.type == kUiTemplate) {
      QFont bold = tree_->font();
      bold.setBold(true);
      entry->setFont(0, bold);
    }
    if (&item == RememberedSelection()) selected_ = entry;
    if (&item == RememberedTop()) top_ = entry;
    if (!RememberedSelection() && !selected_ && !topLevel) selected_ = entry;
    for (auto& child : node.children) Add(*child, entry, false);
    entry->setExpanded(OpensOnFill(entry));
  }

  static bool OpensOnFill(QTreeWidgetItem* entry) {
    const UiItem* item = ItemOf(entry);
    return !item || item->type == kUiTemplate || !entry->parent() || item->expanded;
  }

  void Fill() {
    tree_->setUpdatesEnabled(false);
    tree_->clear();
    selected_ = top_ = others_ = nullptr;
    shown_.clear();
    bool first = true;
    for (auto& node : features().TopLevel()) {
      if (!first) new QTreeWidgetItem(tree_, QStringList{" "});
      first = false;
      Add(*node, nullptr, true);
    }
    tree_->setUpdatesEnabled(true);
    if (selected_) tree_->setCurrentItem(selected_);
    if (top_) tree_->scrollToItem(top_, QAbstractItemView::PositionAtTop);
  }

  // warning: what the command line would warn of the value just set, or empty.
  void Refresh(const QString& warning) {
    Remember();
    Fill();
    Filter();
    host_.ShowDiagnostics(warning, !warning.isEmpty());
    host_.SettingsChanged();
  }

  // Shown on the screen: not hidden, and every group above it open.
  static bool IsVisible(QTreeWidgetItem* entry) {
    if (!entry || entry->isHidden()) return false;
    for (QTreeWidgetItem* up = entry->parent(); up; up = up->parent()) {
      if (up->isHidden() || !up->isExpanded()) return false;
    }
    return true;
  }

  void Activate(QTreeWidgetItem* entry) {
    if (!IsVisible(entry)) return;
    UiItem* item = ItemOf(entry);
    if (!item || item->type == kUiGroup) return;
    int result = 0;
    QString warning;
    if (item->type == kUiTemplate) {
      TemplateChooser chooser(host_.Window(), features(), *item);
      result = chooser.exec();
    } else if (item->readOnly) {
      ShowMessage(host_.Window(), "This feature is READONLY.");
    } else {
      std::unique_ptr<FeatureEditor> editor(
          CreateFeatureEditor(host_.Window(), host_.Chip(), features(), *item));
      if (editor) result = editor->exec();
      const std::string limit = FrequencyLimitWarning(host_.Chip(), item->feature.value_or(""));
      if (result != 0 && !limit.empty())
        warning = QString::fromStdString("Warning: " + limit + ".\n");
    }
    if (result != 0) QTimer::singleShot(0, this, [this, warning] { Refresh(warning); });
  }

  // The features of the chip definition that the tree leaves out, offered only while
  // searching; built again after each fill, as settings decide what the tree hides.
  void AddOtherFeatures() {
    others_ = new QTreeWidgetItem(tree_, QStringList{"OTHER FEATURES"});
    ChipEngine& chip = host_.Chip();
    otherItems_.clear();
    for (const FeatureRecord& record : chip.Tables().features) {
      const std::string name = record.keyname.value_or("");
      if (name.empty() || shown_.count(name) || !chip.IsFeatureAvailable(name)) continue;
      UiItem item;
      item.type = kUiItem;
      item.feature = name;
      item.readOnly = chip.IsFeatureReadOnly(name);
      otherItems_.push_back(item);
    }
    for (UiItem& item : otherItems_) {
      auto* entry = new QTreeWidgetItem(others_);
      entry->setText(0, QString::fromLatin1(features().ItemText(item)));
      entry->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&item)));
      entry->setToolTip(0, QString::fromStdString(features().Description(item)));
    }
    others_->setExpanded(true);
  }

  // Shows only the entries whose text or keyname holds the search text, with their
  // groups; all entries when it is empty.
  // Matches inside groups are opened while searching; the groups open and closed as the
  // user left them come back when the search is cleared. The current item is a visible
  // match, or none.
  void Filter() {
    const QString text = find_->text().trimmed();
    if (!text.isEmpty() && !others_) AddOtherFeatures();
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) Show(tree_->topLevelItem(i), text, false);
    if (others_) others_->setHidden(text.isEmpty() || !Show(others_, text, false));
    searching_ = true;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
      if ((*it)->childCount() == 0) continue;
      (*it)->setExpanded(text.isEmpty() ? OpensOnFill(*it) : !(*it)->isHidden());
    }
    searching_ = false;
    if (text.isEmpty()) return;
    QTreeWidgetItem* current = tree_->currentItem();
    if (IsVisible(current) && Matches(current, text)) return;
    tree_->setCurrentItem(nullptr);
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
      if (IsVisible(*it) && ItemOf(*it) && ItemOf(*it)->type != kUiGroup && Matches(*it, text)) {
        tree_->setCurrentItem(*it);
        break;
      }
    }
  }

  static bool Matches(QTreeWidgetItem* entry, const QString& text) {
    const UiItem* item = ItemOf(entry);
    return entry->text(0).contains(text, Qt::CaseInsensitive) ||
           (item && item->feature &&
            QString::fromStdString(*item->feature).contains(text, Qt::CaseInsensitive));
  }

  // True when the entry stays visible: it matches, or one of its children does.
  static bool Show(QTreeWidgetItem* entry, const QString& text, bool parentMatches) {
    const bool matches = text.isEmpty() || parentMatches || Matches(entry, text);
    bool visible = matches && (text.isEmpty() || ItemOf(entry) || parentMatches);
    for (int i = 0; i < entry->childCount(); ++i)
      visible = Show(entry->child(i), text, matches && ItemOf(entry)) || visible;
    entry->setHidden(!visible);
    return visible;
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    // Ctrl+E stays the window's Export rather than the field's end of line.
    if (watched == find_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->keyCombination() == (Qt::CTRL | Qt::Key_E)) {
      return true;
    }
    const int key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
    // Enter in the tree or the find field opens the selected feature.
    if ((watched == tree_ || watched == find_) && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      Activate(tree_->currentItem());
      return true;
    }
    if (watched == find_ && (key == Qt::Key_Down || key == Qt::Key_Up)) {
      tree_->setFocus();
      return true;
    }
    if (watched == find_ && key == Qt::Key_Escape && !find_->text().isEmpty()) {
      find_->clear();
      return true;
    }
    return QWidget::eventFilter(watched, event);
  }

  UiFeatures& features() { return host_.Features(); }

  PageHost& host_;
  QTreeWidget* tree_;
  QLineEdit* find_;
  std::set<std::string> shown_;    // features of the tree
  std::deque<UiItem> otherItems_;  // the chip's features not in it
  QTreeWidgetItem* others_ = nullptr;
  QTreeWidgetItem* selected_ = nullptr;
  QTreeWidgetItem* top_ = nullptr;
  bool searching_ = false;  // expanding for a search
};

}  // namespace

QFont FeaturesPageFont() {
  QFont font("Courier New");
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(11);
  return font;
}

QWidget* CreateFeaturesPage(PageHost& host, QWidget* parent) {
  return new FeaturesPage(host, parent);
}

}  // namespace k7q
