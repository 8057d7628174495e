#include "ui/configure_multiple_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <fstream>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "ui/message_box.h"
#include "ui/tests/ui_test_support.h"

namespace {

QStringList Texts(QListWidget* list, bool sorted = false) {
  QStringList texts;
  for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
  if (sorted) texts.sort();
  return texts;
}

// Makes the line with this text current; a double click also activates it.
void Pick(QListWidget* list, const QString& text, bool doubleClick) {
  const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
  QVERIFY(!items.isEmpty());
  list->setCurrentItem(items.first());
  if (doubleClick) emit list->itemDoubleClicked(items.first());
}

}  // namespace

class ConfigureMultipleDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    RecordMessages(&messages_, &icons_);
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).mkdir("sub");
    WriteImage(dir_.filePath("good.exe"), DefaultHalStruct());
    WriteImage(dir_.filePath("sub/inner.s19"), DefaultHalStruct());
    std::ofstream(dir_.filePath("notes.txt").toStdString()) << "no block here";
    QVERIFY(QDir::setCurrent(dir_.path()));
  }

  void cleanup() { SetMessageHook(nullptr); }

  void browsingAndSelecting() {
    Chip62500 chip;
    const QString passed = dir_.filePath("Passed.exe");
    ConfigureMultipleDialog dialog(nullptr, chip, {passed, passed.toUpper(), passed});
    auto* browser = dialog.findChild<QListWidget*>("2201");
    auto* selected = dialog.findChild<QListWidget*>("2202");
    QCOMPARE(dialog.windowTitle(), QString("Configure Multiple"));
    QVERIFY(dialog.findChild<QRadioButton*>("2208")->isChecked());
    QVERIFY(!dialog.findChild<QCheckBox*>("2212")->isChecked());
    QCOMPARE(dialog.SelectedFiles(), QStringList{passed});
    QCOMPARE(Texts(browser, true), QStringList({"[..]", "[sub]", "good.exe"}));
    QCOMPARE(dialog.findChild<QLabel*>("2211")->text(), QDir::toNativeSeparators(dir_.path()));

    // Folders open on a double click only; files are added once.
    Pick(browser, "[sub]", false);
    dialog.findChild<QPushButton*>("2203")->click();
    QCOMPARE(dialog.Folder(), dir_.path());
    Pick(browser, "[sub]", true);
    QCOMPARE(dialog.Folder(), dir_.filePath("sub"));
    QCOMPARE(Texts(browser, true), QStringList({"[..]", "inner.s19"}));
    Pick(browser, "inner.s19", true);
    Pick(browser, "[..]", true);
    QCOMPARE(dialog.Folder(), dir_.path());
    Pick(browser, "good.exe", false);
    dialog.findChild<QPushButton*>("2203")->click();
    dialog.findChild<QPushButton*>("2203")->click();
    QCOMPARE(dialog.SelectedFiles(),
             QStringList({passed, dir_.filePath("sub/inner.s19"), dir_.filePath("good.exe")}));

    // All files, then Add All adds the text file and skips the folders.
    dialog.findChild<QRadioButton*>("2207")->setChecked(true);
    QCOMPARE(Texts(browser, true), QStringList({"[..]", "[sub]", "good.exe", "notes.txt"}));
    dialog.findChild<QPushButton*>("2204")->click();
    QCOMPARE(dialog.SelectedFiles().size(), 4);
    QVERIFY(dialog.SelectedFiles().contains(dir_.filePath("notes.txt")));

    // Remove, double click to remove, Remove All.
    selected->setCurrentRow(0);
    dialog.findChild<QPushButton*>("2205")->click();
    QVERIFY(!dialog.SelectedFiles().contains(passed));
    Pick(selected, dir_.filePath("good.exe"), true);
    QCOMPARE(dialog.SelectedFiles().size(), 2);
    QCOMPARE(Texts(selected), dialog.SelectedFiles());
    dialog.findChild<QPushButton*>("2206")->click();
    QCOMPARE(selected->count(), 0);
    QVERIFY(dialog.SelectedFiles().isEmpty());

    // Dropped names are added without an existence test, each once.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir_.filePath("good.exe")),
                  QUrl::fromLocalFile(dir_.filePath("nowhere.exe")),
                  QUrl::fromLocalFile(dir_.filePath("GOOD.EXE"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    QCOMPARE(dialog.SelectedFiles(),
             QStringList({dir_.filePath("good.exe"), dir_.filePath("nowhere.exe")}));
  }

  void configureWritesEveryFile() {
    Chip62500 chip;
    ConfigureMultipleDialog empty(nullptr, chip, {});
    empty.findChild<QPushButton*>("2210")->click();
    QCOMPARE(messages_, QStringList{"ERROR: No files selected!"});
    QCOMPARE(icons_.value(0), QMessageBox::Warning);
    QCOMPARE(empty.result(), int(QDialog::Rejected));

    RecordMessages(&messages_, &icons_);
    QVERIFY(chip.SetFieldValue("fx", 12));
    const QString good = dir_.filePath("good.exe"), notes = dir_.filePath("notes.txt");
    ConfigureMultipleDialog dialog(nullptr, chip, {good, notes});
    dialog.findChild<QPushButton*>("2210")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(messages_.size(), 2);
    QVERIFY(messages_[0].contains("notes.txt"));
    QCOMPARE(messages_[1],
             "Summary of configured files:\n\nOK\t" + good + "\nError\t" + notes + "\n");
    QCOMPARE(icons_.value(1), QMessageBox::Information);
    QVERIFY(dialog.findChild<QPushButton*>("2210")->isEnabled());

    Chip62500 reread;
    QVERIFY(OpenConfigurableFile(reread, good.toStdString()).ok);
    QCOMPARE(reread.GetFieldValue("fx"), 12u);
  }

 private:
  QTemporaryDir dir_;
  QStringList messages_;
  QList<QMessageBox::Icon> icons_;
};

QTEST_MAIN(ConfigureMultipleDialogTest)
#include "configure_multiple_dialog_test.moc"
