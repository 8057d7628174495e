#include "ui/registers_page.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "config/chip62500.h"
#include "ui/message_box.h"
#include "ui/page_host.h"
#include "ui/tests/ui_test_support.h"
#include "uifeatures/ui_features.h"

namespace {

QTreeWidgetItem* Row(QTreeWidget* list, const QString& reg) {
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    if (list->topLevelItem(row)->text(0).startsWith(reg)) return list->topLevelItem(row);
  }
  return nullptr;
}

}  // namespace

class RegistersPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    MakePageHost(chip_, features_, host_);
    RecordMessages(&messages_);
  }

  void cleanup() { SetMessageHook(nullptr); }

  void listEditAndOverwrite() {
    auto page = std::unique_ptr<QWidget>(CreateRegistersPage(*host_, nullptr));
    auto* list = page->findChild<QTreeWidget*>("1801");
    QCOMPARE(page->objectName(), QString("207"));
    QCOMPARE(page->findChild<QLabel*>("1802")->text(),
             QString("The following registers are in presented in order of initialization. "
                     "The registers in this list will be used during chip initialization."));
    QCOMPARE(list->headerItem()->text(4), QString("DEC"));
    QCOMPARE(list->topLevelItemCount(), 33);
    QTreeWidgetItem* fx = Row(list, "0001h");
    QVERIFY(fx);
    QStringList columns;
    for (int column = 0; column < 5; ++column) columns << fx->text(column);
    QCOMPARE(columns, QStringList({"0001h   ", "FX Register", "87", "10000111", "       135"}));
    // The description is built when asked for.
    QVERIFY(fx->toolTip(0).contains("Current=87h"));
    QVERIFY(chip_->SetFieldValue("fx", 7));
    QVERIFY(fx->toolTip(0).contains("Current=86h"));
    QVERIFY(chip_->SetFieldValue("fx", 8));

    // A read-only register gets a message, no editor.
    PressEnter(list, Row(list, "001Eh"));
    QCOMPARE(messages_, QStringList{"This register is READONLY."});

    // The editor starts in hexadecimal; switching to decimal converts the typed value.
    QString caption, currently, shown;
    bool hex = false;
    QTimer::singleShot(0, [&] {
      auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(editor);
      caption = editor->windowTitle();
      currently = editor->findChild<QLabel*>("2101")->text();
      hex = editor->findChild<QRadioButton*>("2105")->isChecked();
      editor->findChild<QRadioButton*>("2104")->click();
      shown = editor->findChild<QLineEdit*>("2103")->text();
      editor->findChild<QLineEdit*>("2103")->setText("133");
      editor->accept();
    });
    PressEnter(list, fx);
    QVERIFY(caption.startsWith("REG[0001h]"));
    QCOMPARE(currently, QString("Currently  =  87"));
    QVERIFY(hex);
    QCOMPARE(shown, QString("135"));
    QCOMPARE(chip_->GetFieldValue("fx"), 6u);
    QCOMPARE(fx->text(0), QString("0001h *"));
    QCOMPARE(fx->text(2), QString("85"));
    QVERIFY(fx->toolTip(2).contains("[   *   ]  You modified this register manually."));
    QCOMPARE(host_->changes, 1);
    QCOMPARE(host_->diagnostics, QString());

    // The next editor starts in decimal.
    QString again;
    QTimer::singleShot(0, [&] {
      auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      QVERIFY(editor);
      again = editor->findChild<QLineEdit*>("2103")->text();
      editor->reject();
    });
    PressEnter(list, fx);
    QCOMPARE(again, QString("133"));

    // Another tab rewrites the register; the reopened page marks the row and says so.
    page.reset();
    QVERIFY(chip_->SetFieldValue("fx", 12));
    page.reset(CreateRegistersPage(*host_, nullptr));
    list = page->findChild<QTreeWidget*>("1801");
    fx = Row(list, "0001h");
    QCOMPARE(fx->text(0), QString("0001h !"));
    QCOMPARE(list->currentItem(), fx);
    QVERIFY(
        fx->toolTip(0).contains("[   !   ]  You had previously modified this register "
                                "manually to\n           00000085h,"));
    QCOMPARE(host_->diagnostics,
             QString("1 manually modified registers have been overwritten by other tabs.\n"));
  }

  void periodicCheckRewritesChangedRows() {
    QVERIFY(!CheckRegistersPage());  // no page open
    auto page = std::unique_ptr<QWidget>(CreateRegistersPage(*host_, nullptr));
    auto* list = page->findChild<QTreeWidget*>("1801");
    QVERIFY(chip_->SetFieldValue("fx", 6));
    for (int tick = 1; tick < 10; ++tick) QVERIFY(!CheckRegistersPage());
    QCOMPARE(Row(list, "0001h")->text(2), QString("87"));
    QVERIFY(CheckRegistersPage());  // the 10th tick
    QCOMPARE(Row(list, "0001h")->text(2), QString("85"));
    QVERIFY(chip_->SetFieldValue("fx", 7));
    for (int tick = 1; tick < 5; ++tick) QVERIFY(!CheckRegistersPage());
    QVERIFY(CheckRegistersPage());  // then every 5th
    QCOMPARE(Row(list, "0001h")->text(2), QString("86"));
    for (int tick = 1; tick <= 5; ++tick) QVERIFY(!CheckRegistersPage());  // nothing changed
    page.reset();
    QVERIFY(!CheckRegistersPage());
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<TestHost> host_;
  QStringList messages_;
};

QTEST_MAIN(RegistersPageTest)
#include "registers_page_test.moc"
