#include "ui/direct_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "config/chip62500.h"
#include "config/program_texts.h"
#include "ui/page_host.h"
#include "ui/panel_view.h"
#include "ui/tests/ui_test_support.h"
#include "uifeatures/ui_features.h"

namespace {

template <typename T>
T* Control(const std::unique_ptr<QWidget>& page, int id) {
  return page->findChild<T*>(QString::number(id));
}

QTimer* LiveTimer() {
  return QCoreApplication::instance()->findChild<QTimer*>("hotToChipTimer");
}

}  // namespace

class DirectPageTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { MakePageHost(chip_, features_, host_); }

  void withoutABoard() {
    qunsetenv("K7Q_SIMULATED_BOARD");
    std::unique_ptr<QWidget> page(CreateDirectPage(*host_, nullptr));
    QCOMPARE(page->objectName(), QString("208"));
    QCOMPARE(Control<QPushButton>(page, 1906)->text(), QString("&Initialize K7Q62500"));
    QCOMPARE(Control<QPushButton>(page, 1907)->text(), QString("&SHUTDOWN K7Q62500"));
    QVERIFY(
        Control<QLabel>(page, 1913)
            ->text()
            .startsWith(
                "The settings on this tab allow direct access to the physical chip, using the "
                "evaluation board.  All the current configuration settings are used when the chip "
                "is "
                "initialized.  To prevent possible damage to the LCD panel, press the SHUTDOWN "
                "K7Q62500 button if the panel does not appear to be functioning correctly after "
                "initialization.  If the \"Write settings to physical chip immediately\" option is "
                "selected, use EXTREME CAUTION"));
    QCOMPARE(Control<QPushButton>(page, 1908)->toolTip(),
             QString::fromStdString(TooltipText(*chip_, 1908)));
    QVERIFY(Control<QCheckBox>(page, 1903)->isChecked());
    QVERIFY(Control<QCheckBox>(page, 1905)->isChecked());
    QVERIFY(!Control<QGroupBox>(page, 1912)->isEnabled());
    QVERIFY(!Control<QPushButton>(page, 1907)->isEnabled());

    Control<QPushButton>(page, 1906)->click();
    QCOMPARE(host_->diagnostics,
             QString("Cannot Initialize: ERROR: Unable to find/load the K7Q62xxx driver.\n"
                     "/dev/K7Q62xxx: No such file or directory\n"));
    QVERIFY(!Control<QGroupBox>(page, 1912)->isEnabled());
  }

  void simulatedBoard() {
    QTemporaryDir folder;
    qputenv("K7Q_SIMULATED_BOARD", folder.filePath("board").toUtf8());
    std::unique_ptr<QWidget> page(CreateDirectPage(*host_, nullptr));
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
    qunsetenv("K7Q_SIMULATED_BOARD");
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<TestHost> host_;
};

QTEST_MAIN(DirectPageTest)
#include "direct_page_test.moc"
