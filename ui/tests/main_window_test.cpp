#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>

#include "config/chip62500.h"
#include "config/configurable_file.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/message_box.h"
#include "ui/tests/ui_test_support.h"
#include "ui/version_check.h"

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    chip_ = std::make_unique<Chip62500>();  // TheChip() from here on
    TheChip().LoadBlock(DefaultHalStruct());
    features_ = std::make_unique<UiFeatures>(TheChip());
    RecordMessages(&messages_, &icons_);
  }

  void cleanup() {
    SetMessageHook(nullptr);
    SetFileChooser(nullptr);
  }

  void menusTitleAndTabs() {
    MainWindow window(TheChip(), *features_);
    QCOMPARE(window.windowTitle(), QString("K7Q62500 Configuration Utility  (Build 8)"));
    const struct {
      const char* id;
      const char* text;
    } actions[] = {{"40001", "&Open..."},         {"40002", "&Save"},
                   {"40003", "Save &As..."},      {"40004", "Configure &Multiple..."},
                   {"40005", "&Export..."},       {"40006", "E&xit"},
                   {"40012", "Enable &ToolTips"}, {"40024", "1 second"},
                   {"40031", "ZEB on the &Web"},  {"40014", "&About 62500TWK..."}};
    for (const auto& row : actions) {
      auto* action = window.findChild<QAction*>(row.id);
      QVERIFY2(action, row.id);
      QCOMPARE(action->text(), QString(row.text));
    }
    QVERIFY(!window.findChild<QAction*>("40002")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("40003")->isEnabled());

    window.findChild<QAction*>("40024")->trigger();
    QCOMPARE(window.TooltipDelay(), 1000);

    auto* tabs = window.findChild<QTabBar*>("1101");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(1), QString("Registers"));
    QCOMPARE(tabs->tabToolTip(0), QString("Browse and change chip via a feature list."));
    QCOMPARE(window.CurrentPage()->objectName(), QString("202"));
    tabs->setCurrentIndex(2);
    QCOMPARE(window.CurrentPage()->objectName(), QString("208"));
    tabs->setCurrentIndex(0);
    auto* tree = window.findChild<QTreeWidget*>("1601");
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("PLATFORMS"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("Indirect Interface  =  False"));
  }

  void openSaveAndErrors() {
    QTemporaryDir dir;
    const QString path = dir.filePath("DRIVER.EXE");
    HalStruct block = DefaultHalStruct();
    block.registers[1].value = 0x8B;  // fx 12
    WriteImage(path, block);
    MainWindow window(TheChip(), *features_);
    QStringList suffixes;
    SetFileChooser([&](QWidget*, bool open, const QString& title, const QString& filters,
                       const QString&, const QString& defaultSuffix) {
      suffixes << defaultSuffix;
      if (open) {
        if (title != "Open" || !filters.startsWith("All Configurable Files")) return QString();
        return path;
      }
      return filters.startsWith("EXE Files") ? dir.filePath("COPY.EXE") : QString();
    });
    window.findChild<QAction*>("40001")->trigger();
    QCOMPARE(window.CurrentFile(), path);
    QCOMPARE(window.windowTitle(),
             QString("DRIVER.EXE - K7Q62500 Configuration Utility  (Build 8)"));
    QCOMPARE(TheChip().GetFieldValue("fx"), 12u);

    emit window.menuBar()->actions().first()->menu()->aboutToShow();  // File refreshes on opening
    QVERIFY(window.findChild<QAction*>("40002")->isEnabled());
    window.Save();
    QCOMPARE(messages_.last(), QString("Configuration data saved in file \"%1\".").arg(path));
    window.SaveAs();
    QCOMPARE(window.CurrentFile(), dir.filePath("COPY.EXE"));
    QCOMPARE(suffixes, (QStringList{"exe", "EXE"}));

    const QString bad = dir.filePath("bad.exe");
    std::ofstream(bad.toStdString()) << "nothing here";
    QVERIFY(!window.OpenFile(bad));
    QCOMPARE(messages_.last(),
             QString("File \"%1\" could not be opened because:\n\nThe file does not contain any "
                     "configuration data.")
                 .arg(bad));
    QCOMPARE(icons_.last(), QMessageBox::Warning);
    QCOMPARE(window.CurrentFile(), dir.filePath("COPY.EXE"));

    // The S-record reader's own errors come in an error box, before the exclamation one.
    const QString records = dir.filePath("bad.s19");
    std::ofstream(records.toStdString()) << "S1030000FB\r\n";
    RecordMessages(&messages_, &icons_);
    QVERIFY(!window.OpenFile(records));
    QCOMPARE(messages_.size(), 2);
    QCOMPARE(messages_[0], QString("ERROR: Invalid checksum!"));
    QCOMPARE(icons_, (QList<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::Warning}));
  }

  void diagnosticsColour() {
    MainWindow window(TheChip(), *features_);
    auto* box = window.findChild<QPlainTextEdit*>("1103");
    window.ShowDiagnostics("Something to note.\n", true);
    QCOMPARE(box->toPlainText(), QString("Something to note."));
    QVERIFY(box->property("alert").toBool());
    QCOMPARE(box->palette().color(QPalette::Base), QColor(255, 255, 0));
    window.ShowDiagnostics("Fine again.", false);
    QVERIFY(!box->property("alert").toBool());
    QCOMPARE(box->toolTip(), QString("Fine again."));

    // The same text again leaves the box as it is.
    box->moveCursor(QTextCursor::End);
    const int position = box->textCursor().position();
    window.ShowDiagnostics("Fine again.", false);
    QCOMPARE(box->textCursor().position(), position);

    QCOMPARE(box->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
  }

  void dropAndConfigureMultiple() {
    QTemporaryDir dir;
    const QString a = dir.filePath("A.EXE"), b = dir.filePath("B.EXE");
    HalStruct block = DefaultHalStruct();
    block.registers[1].value = 0x8B;
    WriteImage(a, block);
    WriteImage(b, DefaultHalStruct());
    MainWindow window(TheChip(), *features_);

    // Dropped files go to Configure Multiple, each once; Configure writes the current block.
    QStringList listed;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<ConfigureMultipleDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      listed = dialog->SelectedFiles();
      dialog->findChild<QPushButton*>("2210")->click();
    });
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(a.toLower())});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCOMPARE(listed, QStringList({a, b}));
    QCOMPARE(window.CurrentFile(), QString());
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].startsWith("Summary of configured files:\n\nOK\t" + a));
    Chip62500 reader;
    QVERIFY(OpenConfigurableFile(reader, a.toStdString()).ok);
    QCOMPARE(reader.GetFieldValue("fx"), 8u);
  }

  void versionAndAbout() {
    MainWindow window(TheChip(), *features_);
    QVERIFY(ToolkitIsRecentEnough());
    window.findChild<QAction*>("40013")->trigger();
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains("Your system does NOT require updating!"));

    // A tab shows its tooltip only while tooltips are enabled.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* tabs = window.findChild<QTabBar*>("1101");
    auto tipOf = [](QWidget* widget, const QPoint& at) {
      QToolTip::hideText();
      if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); })) return QString("still shown");
      QHelpEvent tip(QEvent::ToolTip, at, widget->mapToGlobal(at));
      QApplication::sendEvent(widget, &tip);
      return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    auto askTip = [&] { return tipOf(tabs, tabs->tabRect(0).center()); };
    QCOMPARE(window.findChild<QAction*>("40012")->isChecked(), true);
    QCOMPARE(askTip(), QString("Browse and change chip via a feature list."));
    window.findChild<QAction*>("40012")->trigger();
    QVERIFY(!window.TooltipsEnabled());
    QCOMPARE(askTip(), QString());
    window.findChild<QAction*>("40012")->trigger();
    QCOMPARE(askTip(), QString("Browse and change chip via a feature list."));

    // Long tips are wrapped: 500 pixels wide at most, 700 over the Diagnostics box.
    const QFontMetrics metrics(QToolTip::font());
    auto widest = [&](const QString& text) {
      int width = 0;
      for (const QString& line : text.split('\n')) {
        width = std::max(width, metrics.horizontalAdvance(line));
      }
      return width;
    };
    const QString registers = tipOf(tabs, tabs->tabRect(1).center());
    QCOMPARE(registers.simplified(), tabs->tabToolTip(1).simplified());
    QVERIFY(widest(tabs->tabToolTip(1)) > 500);
    QVERIFY(widest(registers) <= 500);
    auto* box = window.findChild<QPlainTextEdit*>("1103");
    const QString longLine = QString("word ").repeated(200).trimmed();
    window.ShowDiagnostics(longLine, false);
    const QString diagnostics = tipOf(box->viewport(), QPoint(5, 5));
    QCOMPARE(diagnostics.simplified(), longLine);
    QVERIFY(widest(diagnostics) <= 700);
    QVERIFY(widest(diagnostics) > 500);
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 250);
    window.findChild<QAction*>("40025")->trigger();
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 2000);
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), 400);
  }

 private:
  std::unique_ptr<Chip62500> chip_;
  std::unique_ptr<UiFeatures> features_;
  QStringList messages_;
  QList<QMessageBox::Icon> icons_;
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
