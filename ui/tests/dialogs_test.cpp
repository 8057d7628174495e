// The main window and the dialogs it opens: files, drops, settings files, Configure
// Multiple and Export.
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "config/configurable_file.h"
#include "export/export_writer.h"
#include "export/preview_folder.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/export_dialog.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/tests/ui_test_support.h"
#include "ui/text_preview.h"
#include "ui/version_check.h"

namespace k7q {

namespace {

// Makes the line with this text current; a double click also activates it.
void Pick(QListWidget* list, const QString& text, bool doubleClick) {
  const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
  QVERIFY(!items.isEmpty());
  list->setCurrentItem(items.first());
  if (doubleClick) emit list->itemDoubleClicked(items.first());
}

// Opens the Export list, picks a row and runs saveAs on the Export As dialog.
void ExportRow(Chip62500& chip, int row, std::function<void(QFileDialog*)> saveAs) {
  WhenShown("Export", [=](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeWidget*>("exportList");
    list->setCurrentItem(list->topLevelItem(row));
    WhenShown("ExportAs", [=](QWidget* shown) { saveAs(qobject_cast<QFileDialog*>(shown)); });
    dialog->findChild<QPushButton*>("exportAs")->click();
  });
  RunExportDialog(nullptr, chip);
}

// The lines of the Export list; Close ends it without a save dialog.
QStringList Listed(Chip62500& chip) {
  QStringList texts;
  WhenShown("Export", [&](QWidget* dialog) {
    auto* list = dialog->findChild<QTreeWidget*>("exportList");
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      texts << list->topLevelItem(row)->text(0) + "|" + list->topLevelItem(row)->text(1);
    dialog->findChild<QPushButton*>("close")->click();
  });
  RunExportDialog(nullptr, chip);
  return texts;
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    TheChip().LoadBlock(DefaultHalStruct());
    features_ = std::make_unique<UiFeatures>(TheChip());
    CurrentExportSettings() = {};
    RecordMessages(&messages_, &icons_);
  }

  void cleanup() {
    SetMessageHook(nullptr);
    SetFileChooser(nullptr);
    SetPreviewOpener(nullptr);
  }

  // Export first: run after the main window tests, its save now and then wrote nothing.
  void listAndSaveDialog() {
    Chip62500 chip;
    QTemporaryDir dir;
    QCOMPARE(Listed(chip).size(), 6);
    // Checked after the dialog has closed: a failed check inside would leave it open.
    QStringList seen;
    ExportRow(chip, 4, [&](QFileDialog* save) {
      seen << save->windowTitle() << save->labelText(QFileDialog::Accept) << save->defaultSuffix()
           << save->nameFilters() << QFileInfo(save->selectedFiles().value(0)).fileName()
           << (save->findChild<QPushButton*>("options")->isEnabled() ? "options" : "no options");
      // The folder first; the dialog selects its default name again once it has read a
      // folder, so the name is typed after that, as a user's would be.
      save->setDirectory(dir.path());
      QTest::qWait(100);
      save->findChild<QLineEdit*>("fileNameEdit")->setText("listing");
      static_cast<QDialog*>(save)->accept();
    });
    QCOMPARE(seen,
             QStringList({"Export As", "&Export", "csv", "Comma-Separated-Value Files (*.csv)",
                          "All Files (*.*)", "K7Q62500.csv", "no options"}));
    QCOMPARE(CurrentExportSettings().kind, size_t{4});
    QCOMPARE(ReadFile(dir.filePath("listing.csv").toStdString()),
             ToCrLf(GenerateExport(chip, *FindExportKind("csv"), 0).text));
    QVERIFY(messages_.isEmpty());
    Listed(chip);
    QCOMPARE(CurrentExportSettings().kind, size_t{4});
  }

  void optionsAndPreview() {
    Chip62500 chip;
    QString nameAfterOptions, previewed;
    bool inEditor = false;
    SetPreviewOpener([&](const QString& path, bool textEditor) {
      previewed = path;
      inEditor = textEditor;
      return true;
    });
    ExportRow(chip, 2, [&](QFileDialog* save) {
      WhenShown("ExportOptions", [](QWidget* options) {
        QVERIFY(options->findChild<QSpinBox*>("modeNumber")->isVisibleTo(options));
        options->findChild<QSpinBox*>("modeNumber")->setValue(3);
        options->findChild<QCheckBox*>("hardwareAcceleration")->setChecked(true);
        options->findChild<QDialogButtonBox*>("")->button(QDialogButtonBox::Ok)->click();
      });
      save->findChild<QPushButton*>("options")->click();
      nameAfterOptions = QFileInfo(save->selectedFiles().value(0)).fileName();
      save->findChild<QPushButton*>("preview")->click();
      save->reject();
    });
    QCOMPARE(nameAfterOptions, QString("mode3.h"));
    QCOMPARE(CurrentExportSettings().mode, 3u);
    QCOMPARE(CurrentExportSettings().options, 1u | kExportHardwareAcceleration);
    // A folder of the program's own inside the temporary folder, for this user only.
    const QFileInfo folder(QFileInfo(previewed).path());
    QCOMPARE(QFileInfo(previewed).fileName(), QString("mode3.h"));
    QCOMPARE(folder.path(), QDir::tempPath());
    QCOMPARE(folder.permissions() &
                 (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
             QFile::Permissions());
    QVERIFY(inEditor);
    QCOMPARE(ReadFile(previewed.toStdString()),
             ToCrLf(GenerateExport(chip, *FindExportKind("wince-header"), 3).text));
    QCOMPARE(Listed(chip).value(2), QString("C Header File for K7Q62500 WinCE Drivers|[mode3.h]"));
  }

  // Save As from a preview replaces the file whole through any of its names; a target
  // that is no regular file is refused with the reason, never opened.
  void previewSaveAs() {
    QTemporaryDir dir;
    const QString source = dir.filePath("shown.txt");
    std::ofstream(source.toStdString()) << "the previewed text\r\n";
    const QString target = dir.filePath("kept.txt"), alias = dir.filePath("alias.txt");
    std::ofstream(target.toStdString()) << "old";
    QCOMPARE(link(target.toLocal8Bit().constData(), alias.toLocal8Bit().constData()), 0);
    const QString fifo = dir.filePath("fifo.txt");
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& name : {alias, fifo}) {
      TextPreview preview(nullptr, source);
      WhenShown("PreviewSaveAs", [&](QWidget* shown) {
        auto* save = qobject_cast<QFileDialog*>(shown);
        save->setDirectory(dir.path());
        QTest::qWait(100);
        save->setOption(QFileDialog::DontConfirmOverwrite);
        save->findChild<QLineEdit*>("fileNameEdit")->setText(name);
        static_cast<QDialog*>(save)->accept();
      });
      preview.findChild<QPushButton*>("saveAs")->click();
    }
    QCOMPARE(ReadFile(target.toStdString()), std::string("the previewed text\r\n"));
    struct stat info {};
    QCOMPARE(stat(target.toLocal8Bit().constData(), &info), 0);
    QCOMPARE(info.st_nlink, nlink_t{2});
    QCOMPARE(messages_.size(), 1);
    QVERIFY2(messages_[0].contains("The file is not a regular file."), qPrintable(messages_[0]));
  }

  void failuresShowTheirMessages() {
    Chip62500 chip;
    QTemporaryDir dir;
    // Not named as the save dialog's default (chip.h), which the dialog selects once it
    // has read its folder, in place of a typed name.
    const QString readOnly = dir.filePath("locked.h");
    std::ofstream(readOnly.toStdString()) << "old";
    chmod(readOnly.toLocal8Bit().constData(), 0444);
    SetPreviewOpener([](const QString&, bool) { return false; });
    ExportRow(chip, 5, [](QFileDialog* save) {
      save->findChild<QPushButton*>("preview")->click();
      save->close();
    });
    std::string error;
    const auto folder = PrivatePreviewFolder(QDir::tempPath().toStdString(), &error);
    QCOMPARE(messages_, QStringList({"Failed to execute file " + QString::fromStdString(folder) +
                                     "/K7Q62500.txt"}));
    QCOMPARE(icons_.value(0), QMessageBox::Warning);
    ExportRow(chip, 1, [&](QFileDialog* save) {
      // A folder that does not exist keeps the dialog open. Typed, as selectFile drops
      // a name whose folder is missing.
      save->setDirectory(dir.path());
      auto* name = save->findChild<QLineEdit*>("fileNameEdit");
      name->setText(dir.filePath("no/such/missing.h"));
      static_cast<QDialog*>(save)->accept();
      QVERIFY(save->isVisible());
      save->setOption(QFileDialog::DontConfirmOverwrite);
      name->setText(readOnly);
      static_cast<QDialog*>(save)->accept();
    });
    QVERIFY(messages_.value(1).contains("Path does not exist."));
    QCOMPARE(messages_.value(2), "Failed to create file " + readOnly);
    QCOMPARE(ReadFile(readOnly.toStdString()), std::string("old"));
  }

  // Configure Multiple first: it keeps the last folder it showed.
  void browsingAndSelecting() {
    MakeFolder();
    Chip62500 chip;
    const QString passed = dir_.filePath("Passed.exe");
    ConfigureMultipleDialog dialog(nullptr, chip, {passed, passed.toUpper(), passed});
    auto* browser = dialog.findChild<QListWidget*>("2201");
    auto* selected = dialog.findChild<QListWidget*>("2202");
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
    QVERIFY(DropFiles(&dialog, {dir_.filePath("good.exe"), dir_.filePath("nowhere.exe"),
                                dir_.filePath("GOOD.EXE")}));
    QCOMPARE(dialog.SelectedFiles(),
             QStringList({dir_.filePath("good.exe"), dir_.filePath("nowhere.exe")}));
  }

  void configureWritesEveryFile() {
    MakeFolder();
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
             "Summary of configured files:\n\n1 of 2 files configured, 1 failed.\n\nOK\t" + good +
                 "\nError\t" + notes + ": The file does not contain any configuration data.\n");
    QCOMPARE(icons_.value(1), QMessageBox::Warning);
    QVERIFY(dialog.findChild<QPushButton*>("2210")->isEnabled());
    Chip62500 reread;
    QVERIFY(OpenConfigurableFile(reread, good.toStdString()).ok);
    QCOMPARE(reread.GetFieldValue("fx"), 12u);
  }

  // 50 failing targets: one box offers to show no more, and the pass goes on quietly;
  // the summary counts, gives every reason and warns.
  void manyFailuresOneMessage() {
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 50; ++i) names << dir.filePath(QString("missing_%1.exe").arg(i));
    Chip62500 chip;
    ConfigureMultipleDialog dialog(nullptr, chip, names);
    SetMessageHook(nullptr);
    int boxes = 0;
    QString lead, lines;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::function<void()> answer = [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        ++boxes;
        QVERIFY(box->checkBox());
        QCOMPARE(box->checkBox()->text(), QString("&Don't show further messages for this pass"));
        box->checkBox()->setChecked(true);
        box->accept();
      } else if (auto* summary = qobject_cast<LongMessage*>(modal)) {
        lead = summary->findChild<QLabel*>("lead")->text();
        lines = summary->findChild<QPlainTextEdit*>("details")->toPlainText();
        icon = summary->Icon();
        summary->accept();
        return;
      }
      QTimer::singleShot(10, answer);
    };
    QTimer::singleShot(10, answer);
    dialog.findChild<QPushButton*>("2210")->click();
    QCOMPARE(boxes, 1);
    QCOMPARE(lead, QString("Summary of configured files:\n\n0 of 50 files configured, 50 failed."));
    QCOMPARE(lines.count('\n'), 49);
    QVERIFY(lines.startsWith("Error\t" + names[0] + ": "));
    QCOMPARE(icon, QMessageBox::Warning);
  }

  // The dialog says what it writes; Discard goes back to the file's block first, and the
  // built-in default from the command line is written only after a Yes.
  void passSaysWhatItWrites() {
    QTemporaryDir dir;
    const QString file = dir.filePath("DRIVER.EXE"), target = dir.filePath("TARGET.EXE");
    WriteImage(file, DefaultHalStruct());
    HalStruct other = DefaultHalStruct();
    other.requiredVram = 4321;
    WriteImage(target, other);
    MainWindow window(TheChip(), *features_);
    QString source;
    OnModal([&](QDialog* dialog) {
      source = dialog->findChild<QLabel*>("source")->text();
      dialog->reject();
    });
    window.findChild<QAction*>("40004")->trigger();
    QCOMPARE(source, QString("Writes the built-in default configuration."));
    QVERIFY(window.OpenFile(file));
    TheChip().SetFieldValue("stride", 120);
    window.SettingsChanged();
    SetMessageHook([](const QString&, QMessageBox::Icon) { return int(QMessageBox::Discard); });
    OnModal([&](QDialog* dialog) {
      source = dialog->findChild<QLabel*>("source")->text();
      dialog->reject();
    });
    window.findChild<QAction*>("40004")->trigger();
    QCOMPARE(source, QString("Writes the configuration of \"%1\".").arg(file));
    QVERIFY(!window.HasUnsavedChanges());
    QVERIFY(TheChip().GetFieldValue("stride") != 120u);
    window.findChild<QAction*>("undo")->trigger();  // the discarded change comes back
    QCOMPARE(TheChip().GetFieldValue("stride"), 120u);
    // From the command line: asked once, written only after Yes.
    for (const int reply : {int(QMessageBox::No), int(QMessageBox::Yes)}) {
      QStringList asked;
      SetMessageHook([&](const QString& text, QMessageBox::Icon) {
        asked << text;
        return reply;
      });
      Chip62500 chip;
      ConfigureMultipleDialog dialog(nullptr, chip, {target}, {QString(), false, true});
      dialog.findChild<QPushButton*>("2210")->click();
      QCOMPARE(asked.value(0), QString("Write the built-in default configuration into 1 file?"));
      Chip62500 reread;
      QVERIFY(OpenConfigurableFile(reread, target.toStdString()).ok);
      QCOMPARE(reread.Block().requiredVram == 4321u, reply == QMessageBox::No);
      QCOMPARE(asked.size(), reply == QMessageBox::No ? 1 : 2);  // then the summary
    }
  }

  void windowTabsDiagnosticsAndTips() {
    MainWindow window(TheChip(), *features_);
    auto* box = window.findChild<QPlainTextEdit*>("1103");
    QVERIFY(!window.findChild<QAction*>("40002")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("40003")->isEnabled());
    auto* tabs = window.findChild<QTabBar*>("1101");
    QCOMPARE(window.CurrentPage()->objectName(), QString("202"));
    tabs->setCurrentIndex(2);
    QCOMPARE(window.CurrentPage()->objectName(), QString("208"));
    tabs->setCurrentIndex(0);
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
    QVERIFY(ToolkitIsRecentEnough());
    window.findChild<QAction*>("40013")->trigger();
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains("Your system does NOT require updating!"));
    // A tab shows its tooltip only while tooltips are enabled.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
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
    window.findChild<QAction*>("40024")->trigger();
    QCOMPARE(window.TooltipDelay(), 1000);
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
    // The mark of unsaved changes stands after the name.
    QCOMPARE(window.windowTitle(),
             QString("DRIVER.EXE[*] - K7Q62500 Configuration Utility  (Build 8)"));
    QCOMPARE(TheChip().GetFieldValue("fx"), 12u);
    QVERIFY(window.findChild<QAction*>("40002")->isEnabled());
    window.Save();
    QCOMPARE(messages_.last(), QString("Configuration data saved in file \"%1\".").arg(path));
    window.SaveAs();
    QCOMPARE(window.CurrentFile(), dir.filePath("COPY.EXE"));
    QCOMPARE(suffixes, (QStringList{"exe", "EXE"}));
    const QString bad = dir.filePath("bad.exe");
    std::ofstream(bad.toStdString()) << "nothing here";
    QVERIFY(!window.OpenFile(bad));
    QVERIFY(messages_.last().startsWith(QString("File \"%1\" could not be opened").arg(bad)));
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

  void dropAndConfigureMultiple() {
    QTemporaryDir dir;
    const QString a = dir.filePath("A.EXE"), b = dir.filePath("B.EXE");
    WriteImage(a, DefaultHalStruct());
    WriteImage(b, DefaultHalStruct());
    MainWindow window(TheChip(), *features_);
    // Dropped files go to Configure Multiple, each once.
    QStringList listed;
    OnModal([&](QDialog* dialog) {
      listed = static_cast<ConfigureMultipleDialog*>(dialog)->SelectedFiles();
      dialog->findChild<QPushButton*>("2210")->click();
    });
    QVERIFY(DropFiles(&window, {a, b, a.toLower()}));
    QCOMPARE(listed, QStringList({a, b}));
    QCOMPARE(window.CurrentFile(), QString());
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].startsWith(
        "Summary of configured files:\n\n2 of 2 files configured, 0 failed.\n\nOK\t" + a));
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
    auto readDialog = [&](QDialog* dialog) {
      auto* list = dialog->findChild<QTreeWidget*>("compareList");
      for (int i = 0; list && i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(3);
      summary = dialog->findChild<QLabel*>("compareSummary")->text();
      dialog->close();
    };
    OnModal(readDialog);
    window.findChild<QAction*>("40043")->trigger();
    QVERIFY(summary.endsWith("are equal."));
    TheChip().LoadBlock(DefaultHalStruct());
    OnModal(readDialog);
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
    // A value that a later line changes names that line.
    std::ofstream(bad.toStdString()) << "fx = 12 pixels\nregister 0001 = 87\n";
    window.findChild<QAction*>("40041")->trigger();
    QCOMPARE(messages_.size(), 2);
    QVERIFY2(messages_[1].contains(bad + ":1: cannot set fx to '12 pixels': line 2 "
                                         "('register 0001 = 87') changes it to '8 pixels'"),
             qPrintable(messages_[1]));
  }

 private:
  std::unique_ptr<UiFeatures> features_;
  QStringList messages_;
  QList<QMessageBox::Icon> icons_;
  QTemporaryDir dir_;

  // good.exe and sub/inner.s19 with a block, notes.txt without; the current folder.
  void MakeFolder() {
    QVERIFY(dir_.isValid());
    QDir(dir_.path()).mkdir("sub");
    WriteImage(dir_.filePath("good.exe"), DefaultHalStruct());
    WriteImage(dir_.filePath("sub/inner.s19"), DefaultHalStruct());
    std::ofstream(dir_.filePath("notes.txt").toStdString()) << "no block here";
    QVERIFY(QDir::setCurrent(dir_.path()));
  }
};

}  // namespace k7q

QTEST_MAIN(k7q::DialogsTest)
#include "dialogs_test.moc"
