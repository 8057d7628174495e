// The main window as a desktop program: keyboard focus, dialog widths, size at scale 2,
// undo, the unsaved-changes prompt and the feature search. Runs at QT_SCALE_FACTOR=2.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QUndoStack>
#include <functional>

#include "ui/configure_multiple_dialog.h"
#include "ui/dialog_fit.h"
#include "ui/editors/create_editor.h"
#include "ui/editors/feature_editor.h"
#include "ui/main_window.h"
#include "ui/register_editor.h"
#include "ui/tests/ui_test_support.h"
#include "ui/text_preview.h"

namespace {

// Runs answer on the next modal dialog, then closes it if it is still open; gives its
// caption and object name.
QString WithModal(const std::function<void()>& open, const std::function<void(QWidget*)>& answer) {
  QString seen;
  QTimer::singleShot(50, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = dialog->objectName() + ":" + dialog->windowTitle();
    answer(dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  open();
  return seen;
}

void Nothing(QWidget*) {}

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
      const QString opened = WithModal([&] { QTest::keyClick(focus, Qt::Key_Return); }, Nothing);
      QVERIFY2(opened.startsWith(expected[tab][1]), qPrintable(opened));
    }
  }

  void dialogsAndWindowFit() {
    QCOMPARE(window_->devicePixelRatio(), 2.0);
    auto* tabs = window_->findChild<QTabBar*>("1101");
    for (int tab = 0; tab < 3; ++tab) {
      tabs->setCurrentIndex(tab);
      const QSize least = window_->minimumSizeHint() * 2;
      QVERIFY2(least.width() <= 1280 && least.height() <= 1024 - 60,
               qPrintable(QString::number(tab)));
    }
    QTemporaryDir dir;
    const QString text = dir.filePath("HAL_config.c");
    std::ofstream(text.toStdString()) << "x\r\n";
    ManualChanges changes;
    unsigned radix = 16;
    UiItem number, address;
    number.feature = "stride";
    address.feature = "regoffset";
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.emplace_back(new ConfigureMultipleDialog(window_.get(), TheChip(), {}));
    dialogs.emplace_back(new TextPreview(window_.get(), text));
    dialogs.emplace_back(new RegisterEditor(window_.get(), TheChip(), changes, 1, 1, radix));
    dialogs.emplace_back(CreateFeatureEditor(window_.get(), TheChip(), *features_, number));
    dialogs.emplace_back(CreateFeatureEditor(window_.get(), TheChip(), *features_, address));
    for (const auto& dialog : dialogs) {
      dialog->show();
      QVERIFY2(dialog->width() >= CaptionWidth(dialog.get()), qPrintable(dialog->windowTitle()));
      QVERIFY(CaptionWidth(dialog.get()) >
              QFontMetrics(dialog->font()).horizontalAdvance(dialog->windowTitle()));
      for (auto* list : dialog->findChildren<QListWidget*>("2505"))
        QVERIFY(list->viewport()->width() >= list->sizeHintForColumn(0));
    }
    QCOMPARE(static_cast<TextPreview*>(dialogs[1].get())->Text(), QString("x\n"));
  }

  void undoRestoresEveryStep() {
    QList<QByteArray> blocks{BlockBytes()};
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    PressEnterAnswering(tree, "Register Address Offset", [](QWidget* editor) {
      editor->findChild<QLineEdit*>("2503")->setText("00010000");
      static_cast<QDialog*>(editor)->accept();
    });
    blocks << BlockBytes();
    // No template matches now; the chooser opens with none chosen.
    PressEnterAnswering(tree, "Memory Map Templates", [](QWidget* chooser) {
      auto* list = chooser->findChild<QListWidget*>("2507");
      QVERIFY(list->selectedItems().isEmpty());
      list->setCurrentRow(1);
      static_cast<QDialog*>(chooser)->accept();
    });
    blocks << BlockBytes();
    window_->findChild<QTabBar*>("1101")->setCurrentIndex(1);
    auto* list = window_->findChild<QTreeWidget*>("1801");
    list->setCurrentItem(list->topLevelItem(1));
    WithModal([&] { QTest::keyClick(list, Qt::Key_Return); },
              [](QWidget* editor) {
                editor->findChild<QLineEdit*>("2103")->setText("5A");
                static_cast<QDialog*>(editor)->accept();
              });
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

  void promptOnExitOnlyAfterChange() {
    QTemporaryDir dir;
    const QString file = dir.filePath("DRIVER.EXE");
    WriteImage(file, DefaultHalStruct());
    QStringList texts;
    int answer = QMessageBox::Cancel;
    SetMessageHook([&](const QString& text, QMessageBox::Icon) {
      texts << text;
      return answer;
    });
    QVERIFY(window_->OpenFile(file));
    TheChip().SetFieldValue("stride", 120);
    window_->SettingsChanged();
    window_->findChild<QAction*>("40006")->trigger();
    QCOMPARE(texts, QStringList{QString("Save changes to \"%1\"?").arg(file)});
    QVERIFY(window_->isVisible());
    answer = QMessageBox::Discard;
    window_->findChild<QAction*>("undo")->trigger();
    window_->findChild<QAction*>("40006")->trigger();
    QCOMPARE(texts.size(), 1);
    QVERIFY(!window_->isVisible());
  }

  void searchOffersFeaturesOutsideTheTree() {
    window_->findChild<QAction*>("find")->trigger();
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(field);
    QTest::keyClicks(field, "sleep");
    auto* tree = window_->findChild<QTreeWidget*>("1601");
    QCOMPARE(tree->currentItem()->parent()->text(0), QString("OTHER FEATURES"));
    const QString opened = WithModal([&] { QTest::keyClick(field, Qt::Key_Return); }, Nothing);
    QVERIFY2(opened.contains("sleep", Qt::CaseInsensitive), qPrintable(opened));
  }

 private:
  void PressEnterAnswering(QTreeWidget* tree, const QString& start,
                           const std::function<void(QWidget*)>& answer) {
    const auto found = tree->findItems(start, Qt::MatchContains | Qt::MatchRecursive);
    QVERIFY(!found.isEmpty());
    tree->setCurrentItem(found.first());
    QVERIFY(!WithModal([&] { QTest::keyClick(tree, Qt::Key_Return); }, answer).isEmpty());
    QTest::qWait(20);  // the page refreshes after the editor
  }

  std::unique_ptr<UiFeatures> features_;
  std::unique_ptr<MainWindow> window_;
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  DesktopTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
