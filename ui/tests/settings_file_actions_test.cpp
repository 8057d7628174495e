// File > Import Settings..., Export Settings... and Compare With... in the main window.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>
#include <fstream>

#include "ui/main_window.h"
#include "ui/tests/ui_test_support.h"

class SettingsFileActionsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    chip_ = std::make_unique<Chip62500>();
    TheChip().LoadBlock(DefaultHalStruct());
    features_ = std::make_unique<UiFeatures>(TheChip());
    RecordMessages(&messages_);
  }

  void cleanup() {
    SetMessageHook(nullptr);
    SetFileChooser(nullptr);
  }

  void exportImportAndCompare() {
    QTemporaryDir dir;
    const QString settings = dir.filePath("a.settings");
    const QString bad = dir.filePath("bad.settings");
    QString chosen;
    SetFileChooser([&](QWidget*, bool, const QString&, const QString&, const QString&,
                       const QString&) { return chosen; });
    MainWindow window(TheChip(), *features_);
    QVERIFY(TheChip().SetValueText("fx", "12"));
    HalStruct changed = TheChip().Block();
    chosen = settings;
    window.findChild<QAction*>("40042")->trigger();
    QVERIFY(QFile::exists(settings));

    // Compared with its own export, the block is equal; with the built-in one, fx differs.
    QStringList rows;
    QString summary;
    auto readDialog = [&] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog) return;
      auto* list = dialog->findChild<QTreeWidget*>("compareList");
      for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(3);
      summary = dialog->findChild<QLabel*>("compareSummary")->text();
      dialog->close();
    };
    QTimer::singleShot(0, this, readDialog);
    window.findChild<QAction*>("40043")->trigger();
    QVERIFY(summary.endsWith("are equal."));

    TheChip().LoadBlock(DefaultHalStruct());
    QTimer::singleShot(0, this, readDialog);
    window.findChild<QAction*>("40043")->trigger();
    QVERIFY(rows.contains("fx=12 pixels"));
    QVERIFY(rows.contains("register 0001=8B"));

    window.findChild<QAction*>("40041")->trigger();
    QCOMPARE(std::memcmp(&TheChip().Block(), &changed, sizeof changed), 0);
    QVERIFY(window.findChild<QPlainTextEdit*>("1103")->toPlainText().contains("imported"));

    // A bad file changes nothing and names its line.
    std::ofstream(bad.toStdString()) << "fx = 8 pixels\nnosuch = 1\n";
    chosen = bad;
    window.findChild<QAction*>("40041")->trigger();
    QCOMPARE(std::memcmp(&TheChip().Block(), &changed, sizeof changed), 0);
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains(bad + ":2: unknown feature 'nosuch'"));
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  QStringList messages_;
};

QTEST_MAIN(SettingsFileActionsTest)
#include "settings_file_actions_test.moc"
