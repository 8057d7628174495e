// What the desktop program's tests share: a page host that records what pages report,
// message boxes answered with OK, images with a block, drops, trees and golden texts.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QList>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "chipmodel/hal_struct.h"
#include "config/chip62500.h"
#include "tests/support/golden.h"
#include "tests/support/test_files.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "uifeatures/ui_features.h"

namespace k7q {

class TestHost : public PageHost {
 public:
  TestHost(Chip62500& chip, UiFeatures& features) : chip_(chip), features_(features) {}
  Chip62500& Chip() override { return chip_; }
  UiFeatures& Features() override { return features_; }
  void ShowDiagnostics(const QString& text, bool alert) override {
    diagnostics = text;
    diagnosticsAlert = alert;
    ++diagnosticsShown;
  }
  void SettingsChanged() override { ++changes; }
  QWidget* Window() override { return &window; }

  QWidget window;
  QString diagnostics;
  bool diagnosticsAlert = false;
  int diagnosticsShown = 0;
  int changes = 0;

 private:
  Chip62500& chip_;
  UiFeatures& features_;
};

// A chip on the default block, its built-in UI features and a host for a page.
inline void MakePageHost(std::unique_ptr<Chip62500>& chip, std::unique_ptr<UiFeatures>& features,
                         std::unique_ptr<TestHost>& host) {
  chip = std::make_unique<Chip62500>();
  chip->LoadBlock(DefaultHalStruct());
  features = std::make_unique<UiFeatures>(*chip);
  host = std::make_unique<TestHost>(*chip, *features);
}

// An item of the feature tree that edits the feature.
inline UiItem FeatureItem(const char* feature) {
  UiItem item;
  item.type = kUiItem;
  item.feature = feature;
  return item;
}

// Every message box is answered with OK; its text (and icon) are appended.
inline void RecordMessages(QStringList* texts, QList<QMessageBox::Icon>* icons = nullptr) {
  texts->clear();
  if (icons) icons->clear();
  SetMessageHook([texts, icons](const QString& text, QMessageBox::Icon icon) {
    *texts << text;
    if (icons) *icons << icon;
    return int(QMessageBox::Ok);
  });
}

// 500 filler bytes, the block with its CRC, 300 more.
inline void WriteImage(const QString& path, const HalStruct& block) {
  WriteFile(path.toStdString(), ImageWith(StoredBlock(block, false), 500, 300));
}

// Drags the files onto the target and drops them; whether the drag was accepted.
inline bool DropFiles(QWidget* target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return enter.isAccepted();
}

// Enter on the item, its groups opened first as a user would.
inline void PressEnter(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  tree->setCurrentItem(item);
  QTest::keyClick(tree, Qt::Key_Return);
}

// The whole text against its file under tests/golden/ (K7Q_UPDATE_GOLDEN=1 rewrites it).
#define QVERIFY_GOLDEN(name, text)                                  \
  do {                                                              \
    const auto matches = MatchesGolden(name, (text).toStdString()); \
    QVERIFY2(matches, matches.message());                           \
  } while (false)

// The tree, an item a line, indented by depth; + expanded, B bold, * current.
inline QString Outline(QTreeWidget* tree) {
  QString text;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    int depth = 0;
    for (auto* up = (*it)->parent(); up; up = up->parent()) ++depth;
    text += QString(2 * depth, ' ') + (*it)->text(0) + ((*it)->isExpanded() ? "  [+]" : "") +
            ((*it)->font(0).bold() ? "  [B]" : "") + (*it == tree->currentItem() ? "  [*]" : "") +
            "\n";
  }
  return text;
}

// Runs answer on the modal dialog as soon as the event loop shows it.
inline void OnModal(std::function<void(QDialog*)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    answer(dialog);
  });
}

// Runs action on the modal window with this object name as soon as it is shown.
inline void WhenShown(const QString& name, std::function<void(QWidget*)> action, int tries = 300) {
  QTimer::singleShot(10, [=] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == name) {
      action(modal);
    } else if (tries > 0) {
      WhenShown(name, action, tries - 1);
    }
  });
}

inline QStringList Texts(QListWidget* list, bool sorted = false) {
  QStringList texts;
  for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
  if (sorted) texts.sort();
  return texts;
}

// The first item, at any depth, whose text starts with start.
inline QTreeWidgetItem* Find(QTreeWidget* tree, const QString& start) {
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    if ((*it)->text(0).startsWith(start)) return *it;
  }
  return nullptr;
}

}  // namespace k7q
