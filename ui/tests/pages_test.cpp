// The three pages of the main window, each on a host that records what it reports.
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "ui/direct_page.h"
#include "ui/features_page.h"
#include "ui/panel_view.h"
#include "ui/registers_page.h"
#include "ui/tests/ui_test_support.h"

namespace k7q {

namespace {

template <typename T>
T* Control(const std::unique_ptr<QWidget>& page, int id) {
  return page->findChild<T*>(QString::number(id));
}

QTimer* LiveTimer() {
  return QCoreApplication::instance()->findChild<QTimer*>("hotToChipTimer");
}

}  // namespace

class PagesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    MakePageHost(chip_, features_, host_);
    RecordMessages(&messages_);
  }

  void cleanup() {
    page_.reset();
    SetMessageHook(nullptr);
  }

  void treeShowsItemsAndKeepsState() {
    UseDocument();
    QTreeWidget* tree = Reopen();
    QCOMPARE(host_->diagnosticsShown, 1);
    // Top-level templates keep their letter case and are bold; the first item is current.
    QVERIFY_GOLDEN("ui/features-tree.txt", Outline(tree));
    const UiItem& ii = features_->TopLevel()[0]->children[3]->children[0]->item;
    QCOMPARE(Find(tree, "Indirect")->toolTip(0),
             QString::fromStdString(features_->Description(ii)));
    chip_->SetFieldValue("regoffset", 0x1000);
    QCOMPARE(Find(Reopen(), "Offsets")->text(0), QString("Offsets* =  (no match)"));
    chip_->SetFieldValue("regoffset", 0);
    tree = Reopen();
    QCOMPARE(Find(tree, "Offsets")->text(0), QString("Offsets* =  All zero"));
    // HIDEWHEN: hidden while fx-3 is not 0.
    QVERIFY(!Find(tree, "Bytes per display line"));
    chip_->SetFieldValue("fx", 3);
    QVERIFY(Find(Reopen(), "Bytes per display line"));
    // The selection and expansion survive the page.
    tree = Reopen();
    Find(tree, "Inner")->setExpanded(true);
    tree->setCurrentItem(Find(tree, "Inner")->child(0));
    tree = Reopen();
    QTreeWidgetItem* inner = Find(tree, "Inner");
    QVERIFY(inner->isExpanded());
    QCOMPARE(tree->currentItem(), inner->child(0));
    inner->setExpanded(false);
    QVERIFY(!Find(Reopen(), "Inner")->isExpanded());
  }

  void enterOpensEditorsAndChooser() {
    UseDocument();
    chip_->SetFieldValue("regoffset", 0x2000);
    QTreeWidget* tree = Reopen();
    // A read-only item only shows the message; a group and a separator do nothing.
    PressEnter(tree, Find(tree, "Character height"));
    QCOMPARE(messages_, QStringList{"This feature is READONLY."});
    PressEnter(tree, tree->topLevelItem(1));
    PressEnter(tree, tree->topLevelItem(0));
    QCOMPARE(messages_.size(), 1);
    QString title;
    OnModal([&title](QDialog* editor) {
      title = editor->objectName();
      editor->findChild<QLineEdit*>("2503")->setText("12");
      editor->accept();
    });
    PressEnter(tree, Find(tree, "Character width"));
    QCOMPARE(title, QString("203"));
    QCOMPARE(chip_->GetFieldValue("fx"), 12u);
    QTRY_COMPARE(host_->changes, 1);
    QCOMPARE(tree->currentItem()->text(0), QString("Character width  =  12 pixels"));
    // Cancel leaves the tree as it was.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    PressEnter(tree, Find(tree, "Character width"));
    QTest::qWait(10);
    QCOMPARE(host_->changes, 1);
    // A current row that is not selected applies nothing.
    OnModal([](QDialog* chooser) {
      chooser->findChild<QListWidget*>("2507")->setCurrentRow(0, QItemSelectionModel::NoUpdate);
      chooser->accept();
    });
    PressEnter(tree, Find(tree, "Offsets"));
    QCOMPARE(chip_->GetFieldValue("regoffset"), 0x2000u);
    // The template chooser starts on no template when none matches.
    QStringList details;
    OnModal([&details](QDialog* chooser) {
      QCOMPARE(chooser->objectName(), QString("216"));
      auto* names = chooser->findChild<QListWidget*>("2507");
      auto* values = chooser->findChild<QListWidget*>("2505");
      details << values->item(0)->text();
      names->setCurrentRow(0);
      details << values->item(0)->text();
      chooser->accept();
    });
    PressEnter(tree, Find(tree, "Offsets"));
    QCOMPARE(details, (QStringList{"None of the templates match current settings.",
                                   "Register  =  00000000h"}));
    QCOMPARE(chip_->GetFieldValue("regoffset"), 0u);
    QTRY_VERIFY(Find(tree, "Offsets* =  All zero"));
  }

  // A frequency beyond its limits is taken, as by the command line, with its warning in
  // the Diagnostics box, as an alert; a frequency within them shows none.
  void frequencyBeyondLimitsWarns() {
    page_.reset(CreateFeaturesPage(*host_, nullptr));
    auto* tree = page_->findChild<QTreeWidget*>("1601");
    for (const char* typed : {"33.333 MHz", "25 MHz"}) {
      OnModal([typed](QDialog* editor) {
        editor->findChild<QLineEdit*>("2504")->setText(typed);
        editor->accept();
      });
      const int before = host_->changes;
      PressEnter(tree, Find(tree, "CLK I ( Internal OSC )"));
      QTRY_COMPARE(host_->changes, before + 1);
      if (typed[0] == '3') {
        QCOMPARE(host_->diagnostics,
                 QString("Warning: iosc is 33.333 MHz, outside 20.000 MHz to 30.000 MHz.\n"));
        QVERIFY(host_->diagnosticsAlert);
        QVERIFY(Find(tree, "CLK I ( Internal OSC )  =  33.333 MHz"));
      } else {
        QCOMPARE(host_->diagnostics, QString());
        QVERIFY(!host_->diagnosticsAlert);
      }
    }
  }

  void listEditAndOverwrite() {
    auto page = std::unique_ptr<QWidget>(CreateRegistersPage(*host_, nullptr));
    auto* list = page->findChild<QTreeWidget*>("1801");
    QTreeWidgetItem* fx = Find(list, "0001h");
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
    PressEnter(list, Find(list, "001Eh"));
    QCOMPARE(messages_, QStringList{"This register is READONLY."});
    // The editor starts in hexadecimal; switching to decimal converts the typed value.
    QStringList seen;
    OnModal([&](QDialog* editor) {
      auto* edit = editor->findChild<QLineEdit*>("2103");
      seen << editor->windowTitle().left(10) << editor->findChild<QLabel*>("2101")->text()
           << (editor->findChild<QRadioButton*>("2105")->isChecked() ? "hex" : "not hex");
      editor->findChild<QRadioButton*>("2104")->click();
      seen << edit->text();
      edit->setText("133");
      editor->accept();
    });
    PressEnter(list, fx);
    QCOMPARE(seen, QStringList({"REG[0001h]", "Currently  =  87", "hex", "135"}));
    QCOMPARE(chip_->GetFieldValue("fx"), 6u);
    QCOMPARE(fx->text(0), QString("0001h *"));
    QCOMPARE(fx->text(2), QString("85"));
    QVERIFY(fx->toolTip(2).contains("[   *   ]  You modified this register manually."));
    QCOMPARE(host_->changes, 1);
    QCOMPARE(host_->diagnostics, QString());
    // The next editor starts in decimal.
    OnModal([&](QDialog* editor) {
      seen << editor->findChild<QLineEdit*>("2103")->text();
      editor->reject();
    });
    PressEnter(list, fx);
    QCOMPARE(seen.last(), QString("133"));
    // Another tab rewrites the register; the reopened page marks the row and says so.
    page.reset();
    QVERIFY(chip_->SetFieldValue("fx", 12));
    page.reset(CreateRegistersPage(*host_, nullptr));
    list = page->findChild<QTreeWidget*>("1801");
    fx = Find(list, "0001h");
    QCOMPARE(fx->text(0), QString("0001h !"));
    QCOMPARE(list->currentItem(), fx);
    QCOMPARE(host_->diagnostics,
             QString("1 manually modified registers have been overwritten by other tabs.\n"));
  }

  void periodicCheckRewritesChangedRows() {
    QVERIFY(!CheckRegistersPage());  // no page open
    auto page = std::unique_ptr<QWidget>(CreateRegistersPage(*host_, nullptr));
    auto* list = page->findChild<QTreeWidget*>("1801");
    QVERIFY(chip_->SetFieldValue("fx", 6));
    for (int tick = 1; tick < 10; ++tick) QVERIFY(!CheckRegistersPage());
    QCOMPARE(Find(list, "0001h")->text(2), QString("87"));
    QVERIFY(CheckRegistersPage());  // the 10th tick
    QCOMPARE(Find(list, "0001h")->text(2), QString("85"));
    QVERIFY(chip_->SetFieldValue("fx", 7));
    for (int tick = 1; tick < 5; ++tick) QVERIFY(!CheckRegistersPage());
    QVERIFY(CheckRegistersPage());  // then every 5th
    QCOMPARE(Find(list, "0001h")->text(2), QString("86"));
    for (int tick = 1; tick <= 5; ++tick) QVERIFY(!CheckRegistersPage());  // nothing changed
    page.reset();
    QVERIFY(!CheckRegistersPage());
  }

  void directPageWithAndWithoutBoard() {
    qunsetenv("K7Q_SIMULATED_BOARD");
    std::unique_ptr<QWidget> page(CreateDirectPage(*host_, nullptr));  // without a board
    QVERIFY(!Control<QPushButton>(page, 1907)->isEnabled());
    Control<QPushButton>(page, 1906)->click();
    QVERIFY(host_->diagnostics.startsWith("Cannot Initialize: "));  // the text: board_test
    QVERIFY(!Control<QGroupBox>(page, 1912)->isEnabled());
    // Every control has its own tip, the group box none.
    QCOMPARE(Control<QCheckBox>(page, 1903)->toolTip(),
             QString("Program all K7Q62500 registers during initialization."));
    QVERIFY(Control<QCheckBox>(page, 1909)->toolTip().endsWith("\"Hot to Chip\"."));
    QVERIFY(Control<QLabel>(page, 1913)->toolTip().startsWith("This field shows"));
    QVERIFY(Control<QGroupBox>(page, 1912)->toolTip().isEmpty());
    QTemporaryDir folder;
    qputenv("K7Q_SIMULATED_BOARD", folder.filePath("board").toUtf8());
    page.reset();
    MakePageHost(chip_, features_, host_);  // a new chip looks for the board again
    page.reset(CreateDirectPage(*host_, nullptr));
    Control<QPushButton>(page, 1906)->click();
    QVERIFY2(host_->diagnostics.startsWith("Initialized K7Q62500 using HAL build "),
             qPrintable(host_->diagnostics));
    QVERIFY(Control<QGroupBox>(page, 1912)->isEnabled());
    QVERIFY(!Control<QCheckBox>(page, 1910)->isEnabled());
    QVERIFY(!LiveTimer());
    // The panel beside the controls shows the cleared chip, then the pattern.
    const auto* view = page->findChild<PanelView*>("panelView");
    QVERIFY(view);
    const QImage cleared = view->Image();
    QCOMPARE(cleared.size(), QSize(640, 200));
    Control<QPushButton>(page, 1908)->click();
    QVERIFY(view->Image() != cleared);
    QVERIFY2(host_->diagnostics.contains("The board is simulated in "),
             qPrintable(host_->diagnostics));
    // Hot to Chip runs the timer exactly while it is on.
    Control<QCheckBox>(page, 1909)->click();
    QVERIFY(chip_->IsLiveMode());
    QVERIFY(LiveTimer() && LiveTimer()->isActive());
    QVERIFY(Control<QCheckBox>(page, 1910)->isEnabled());
    Control<QCheckBox>(page, 1910)->click();
    QVERIFY(chip_->IsPatternShown());
    QTRY_COMPARE(chip_->RedrawCountdown(), 0u);  // the tick drew the pattern
    Control<QPushButton>(page, 1908)->click();
    QCOMPARE(Control<QLabel>(page, 1913)->text(), QString(27, ' '));
    Control<QCheckBox>(page, 1909)->click();
    QVERIFY(!chip_->IsLiveMode());
    QTRY_VERIFY(!LiveTimer());
    // Loading a block ends live mode; the timer stops on its next tick.
    Control<QCheckBox>(page, 1909)->click();
    QVERIFY(LiveTimer());
    chip_->LoadBlock(DefaultHalStruct());
    QTRY_VERIFY(!LiveTimer());
    Control<QPushButton>(page, 1906)->click();
    QVERIFY(!Control<QCheckBox>(page, 1910)->isEnabled());
    // The check boxes survive the page; without register programming the chip is not
    // marked initialized.
    Control<QCheckBox>(page, 1903)->click();
    page.reset(CreateDirectPage(*host_, nullptr));
    QVERIFY(!Control<QCheckBox>(page, 1903)->isChecked());
    QVERIFY(Control<QCheckBox>(page, 1905)->isChecked());
    Control<QPushButton>(page, 1906)->click();
    QVERIFY(host_->diagnostics.startsWith("Initialized "));
    QVERIFY(!chip_->IsChipInitialised());
    QVERIFY(!Control<QGroupBox>(page, 1912)->isEnabled());
    Control<QCheckBox>(page, 1903)->click();
    // A delay in the register list runs off the GUI thread, with the window disabled.
    HalStruct block = DefaultHalStruct();
    block.registers[32] = {0xFFFE, 300};  // 300 ms panel power-on delay
    block.registers[33] = {0xFFFF, 0};
    chip_->LoadBlock(block);
    bool ticked = false, enabledDuring = true;
    QTimer::singleShot(50, [&] {
      ticked = true;
      enabledDuring = page->isEnabled();
    });
    Control<QPushButton>(page, 1906)->click();
    QVERIFY(ticked && !enabledDuring && page->isEnabled());
    // SHUTDOWN on the indirect interface leaves the panel on: a warning, not a note.
    chip_->LoadBlock(DefaultHalStruct());
    QVERIFY(chip_->SetValueText("ii", "True"));
    Control<QPushButton>(page, 1906)->click();
    QVERIFY(chip_->IsChipInitialised());
    messages_.clear();
    QList<QMessageBox::Icon> icons;
    RecordMessages(&messages_, &icons);
    Control<QPushButton>(page, 1907)->click();
    QVERIFY(host_->diagnostics.startsWith("The panel was not put to sleep"));
    QVERIFY(host_->diagnosticsAlert);
    QCOMPARE(icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    qunsetenv("K7Q_SIMULATED_BOARD");
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<TestHost> host_;
  QStringList messages_;
  std::unique_ptr<QWidget> page_;

  // The features page on a small document.
  void UseDocument() {
    features_ = std::make_unique<UiFeatures>(*chip_, ReadFile(TestSourcePath("data/ui_pages.xml")));
    host_ = std::make_unique<TestHost>(*chip_, *features_);
  }

  // Closes the page (which keeps its state in the host) and opens a new one.
  QTreeWidget* Reopen() {
    page_.reset();
    page_.reset(CreateFeaturesPage(*host_, nullptr));
    return page_->findChild<QTreeWidget*>("1601");
  }
};

}  // namespace k7q

QTEST_MAIN(k7q::PagesTest)
#include "pages_test.moc"
