// The main window as a desktop program: keyboard focus, undo, the unsaved-changes prompt
// and the feature search. Runs at QT_SCALE_FACTOR=2.
#include <fcntl.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QToolTip>
#include <QUndoStack>
#include <QWindow>

#include "config/configurable_file.h"
#include "storage/file_system.h"
#include "storage/save_journal.h"
#include "ui/main_window.h"
#include "ui/tests/ui_test_support.h"

namespace k7q {

namespace {

using Answer = std::function<void(QDialog*)>;

// Presses a key on the widget; answer handles the modal dialog it opens, which is then
// closed if still open. Gives the dialog's object name and caption.
QString Press(QWidget* widget, Qt::Key key, const Answer& answer = {}) {
  QString seen;
  QTimer::singleShot(50, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = dialog->objectName() + ":" + dialog->windowTitle();
    if (answer) answer(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  QTest::keyClick(widget, key);
  QTest::qWait(20);  // the page refreshes after an editor
  return seen;
}

Answer Type(const char* field, const char* text) {
  return [=](QDialog* dialog) {
    dialog->findChild<QLineEdit*>(field)->setText(text);
    dialog->accept();
  };
}

// Makes the first item holding text current, opening the groups above it.
void ShowCurrent(QTreeWidget* tree, const char* text) {
  QTreeWidgetItem* item = tree->findItems(text, Qt::MatchContains | Qt::MatchRecursive).value(0);
  QVERIFY(item);
  tree->scrollToItem(item);
  tree->setCurrentItem(item);
}

QByteArray BlockBytes() {
  return QByteArray(reinterpret_cast<const char*>(&TheChip().Block()), sizeof(HalStruct));
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    TheChip().LoadBlock(DefaultHalStruct());
    features_ = std::make_unique<UiFeatures>(TheChip());
    window_ = std::make_unique<MainWindow>(TheChip(), *features_);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void cleanup() {
    SetMessageHook(nullptr);
    window_.reset();
  }

  void focusAfterStartAndTabChange() {
    QVERIFY(QFontInfo(QToolTip::font()).fixedPitch());
    auto* tabs = window_->findChild<QTabBar*>("1101");
    const char* expected[][2] = {{"1601", "206:PC Card"}, {"1801", "210:REG[0001h]"}};
    for (int tab = 0; tab < 2; ++tab) {
      QApplication::setActiveWindow(window_.get());  // as the window manager does
      tabs->setCurrentIndex(tab);
      QWidget* focus = QApplication::focusWidget();
      QVERIFY(focus);
      QCOMPARE(focus->objectName(), QString(expected[tab][0]));
      QTest::keyClick(focus, Qt::Key_Down);
      QVERIFY(Press(focus, Qt::Key_Return).startsWith(expected[tab][1]));
    }
  }

  void undoRestoresEveryStep() {
    QList<QByteArray> blocks{BlockBytes()};
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    ShowCurrent(tree, "Register Address");
    Press(tree, Qt::Key_Return, Type("2503", "00010000"));
    blocks << BlockBytes();
    // No template matches now; the chooser opens with none chosen.
    ShowCurrent(tree, "Memory Map Templates");
    Press(tree, Qt::Key_Return, [](QDialog* chooser) {
      auto* list = chooser->findChild<QListWidget*>("2507");
      QVERIFY(list->selectedItems().isEmpty());
      list->setCurrentRow(1);
      chooser->accept();
    });
    blocks << BlockBytes();
    window_->findChild<QTabBar*>("1101")->setCurrentIndex(1);
    auto* list = window_->findChild<QTreeWidget*>("1801");
    list->setCurrentItem(list->topLevelItem(1));
    Press(list, Qt::Key_Return, Type("2103", "5A"));
    blocks << BlockBytes();
    QCOMPARE(window_->UndoStack()->count(), 3);
    for (int step = 2; step >= 0; --step) {
      window_->findChild<QAction*>("undo")->trigger();
      QCOMPARE(BlockBytes(), blocks[step]);
    }
    for (int step = 1; step <= 3; ++step) {
      window_->findChild<QAction*>("redo")->trigger();
      QCOMPARE(BlockBytes(), blocks[step]);
    }
  }

  // The save question comes only after a change; its answers have their own keys.
  void promptOnExitOnlyAfterChange() {
    QTemporaryDir dir;
    const QString file = dir.filePath("DRIVER.EXE");
    WriteImage(file, DefaultHalStruct());
    QVERIFY(window_->OpenFile(file));
    TheChip().SetFieldValue("stride", 120);
    window_->SettingsChanged();
    QStringList buttons;
    QTimer::singleShot(50, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      for (QAbstractButton* button : box->buttons()) buttons << button->text();
      QTest::keyClick(box, Qt::Key_C, Qt::AltModifier);
    });
    QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
    buttons.sort();
    QCOMPARE(buttons, QStringList({"&Cancel", "&Discard", "&Save"}));
    QVERIFY(window_->isVisible());
    QStringList texts;
    int answer = QMessageBox::Cancel;
    SetMessageHook([&](const QString& text, QMessageBox::Icon) {
      texts << text;
      return answer;
    });
    window_->findChild<QAction*>("40006")->trigger();
    QCOMPARE(texts, QStringList{QString("Save changes to \"%1\"?").arg(file)});
    QVERIFY(window_->isVisible());
    answer = QMessageBox::Discard;
    window_->findChild<QAction*>("undo")->trigger();
    window_->findChild<QAction*>("40006")->trigger();
    QCOMPARE(texts.size(), 1);
    QVERIFY(!window_->isVisible());
  }

  // Open, change, save and the title's mark with key presses only: no menu is opened.
  void keysAloneOpenAndSave() {
    QTemporaryDir dir;
    const QString file = dir.filePath("DRIVER.EXE");
    WriteImage(file, DefaultHalStruct());
    SetFileChooser([&](QWidget*, bool open, const QString&, const QString&, const QString&,
                       const QString&) { return open ? file : QString(); });
    QStringList texts;
    RecordMessages(&texts);
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(window_->CurrentFile(), file);
    QVERIFY(window_->windowHandle()->title().startsWith("DRIVER.EXE - "));
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    ShowCurrent(tree, "Register Address");
    Press(tree, Qt::Key_Return, Type("2503", "00010000"));
    QApplication::setActiveWindow(window_.get());  // as the window manager does
    QVERIFY(window_->windowHandle()->title().startsWith("DRIVER.EXE* - "));
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(texts, QStringList{QString("Configuration data saved in file \"%1\".").arg(file)});
    QCOMPARE(window_->statusBar()->currentMessage(),
             QString("Configuration saved in \"%1\".").arg(file));
    QVERIFY(window_->windowHandle()->title().startsWith("DRIVER.EXE - "));
    Chip62500 reread;
    QVERIFY(OpenConfigurableFile(reread, file.toStdString()).ok);
    QCOMPARE(reread.GetFieldValue("regoffset"), 0x10000u);
    // Undo back to the saved block takes the mark away again.
    QTest::keyClick(window_.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(window_->windowHandle()->title().startsWith("DRIVER.EXE* - "));
    QTest::keyClick(window_.get(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(!window_->isWindowModified());
    // Where no journal can be made, the note of it stays in the Diagnostics box.
    FileSystemCalls calls = SystemFileCalls();
    calls.open = [](const char* p, int f, mode_t m) {
      return (f & O_TMPFILE) == O_TMPFILE ? (errno = EACCES, -1) : SystemFileCalls().open(p, f, m);
    };
    FileSystem() = calls;
    tree = window_->findChild<QTreeWidget*>("1601");  // undo made the page anew
    ShowCurrent(tree, "Register Address");
    Press(tree, Qt::Key_Return, Type("2503", "00020000"));
    QApplication::setActiveWindow(window_.get());
    texts.clear();
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    FileSystem() = SystemFileCalls();
    QCOMPARE(texts, QStringList{QString("Configuration data saved in file \"%1\".").arg(file)});
    const QString note = QString::fromStdString(SavedWithoutJournal(file.toStdString()));
    QVERIFY(window_->findChild<QPlainTextEdit*>("1103")->toPlainText().contains(note));
    SetFileChooser(nullptr);
  }

  // Enter opens the current item only while it is shown; matches in groups are opened;
  // Escape clears the search.
  void searchEnterAndEscape() {
    QTest::keyClick(window_.get(), Qt::Key_F, Qt::ControlModifier);
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(field);
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    QTest::keyClicks(field, "template");
    QVERIFY(tree->currentItem());
    QCOMPARE(tree->currentItem()->text(0).left(20), QString("Memory Map Templates"));
    for (auto* up = tree->currentItem()->parent(); up; up = up->parent()) QVERIFY(up->isExpanded());
    QVERIFY(Press(field, Qt::Key_Return).startsWith("216:"));
    field->clear();
    QTest::keyClicks(field, "no such feature");
    QVERIFY(!tree->currentItem());
    QCOMPARE(Press(field, Qt::Key_Return), QString());
    QTest::keyClick(field, Qt::Key_Escape);
    QCOMPARE(field->text(), QString());
    // The groups the search opened close again.
    QVERIFY(!Find(tree, "Memory Map")->isExpanded());
  }

  // The tree keeps its share of a small window; the Diagnostics box gives up its own.
  void treeKeepsItsShare() {
    window_->resize(300, 283);
    QTest::qWait(20);
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    auto* box = window_->findChild<QWidget*>("1103");
    QVERIFY2(tree->height() >= box->height(),
             qPrintable(QString("tree %1, box %2").arg(tree->height()).arg(box->height())));
    QVERIFY(tree->height() >= 2 * tree->fontMetrics().height());
  }

  void searchOffersFeaturesOutsideTheTree() {
    window_->findChild<QAction*>("find")->trigger();
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(field);
    QTest::keyClicks(field, "sleep");
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    QCOMPARE(tree->currentItem()->parent()->text(0), QString("OTHER FEATURES"));
    QVERIFY(Press(field, Qt::Key_Return).contains("sleep", Qt::CaseInsensitive));
    // A read-only feature outside the tree is marked once.
    field->setText("Pixel Clock Frequency");
    QCOMPARE(tree->currentItem()->text(0).count("[READONLY]"), 1);
  }

 private:
  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  DesktopTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
