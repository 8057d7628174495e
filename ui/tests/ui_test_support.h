// What the desktop program's tests share: a page host that records what pages report,
// message boxes answered with OK, images with a block, Enter on a tree item.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>
#include <memory>
#include <string>

#include "chipmodel/hal_struct.h"
#include "config/chip62500.h"
#include "tests/support/test_files.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "uifeatures/ui_features.h"

class TestHost : public PageHost {
 public:
  TestHost(Chip62500& chip, UiFeatures& features) : chip_(chip), features_(features) {}
  Chip62500& Chip() override { return chip_; }
  UiFeatures& Features() override { return features_; }
  void ShowDiagnostics(const QString& text, bool) override {
    diagnostics = text;
    ++diagnosticsShown;
  }
  void SettingsChanged() override { ++changes; }
  QWidget* Window() override { return &window; }

  QWidget window;
  QString diagnostics;
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

inline void PressEnter(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->setCurrentItem(item);
  QTest::keyClick(tree, Qt::Key_Return);
}
