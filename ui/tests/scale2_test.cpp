// Every window of the desktop program whole on a 1280x1024 screen at QT_SCALE_FACTOR=2:
// inside the screen, no control squeezed below the size its layout asks for, no text cut.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <fstream>

#include "ui/about_dialog.h"
#include "ui/configure_multiple_dialog.h"
#include "ui/dialog_fit.h"
#include "ui/editors/create_editor.h"
#include "ui/export_dialog.h"
#include "ui/main_window.h"
#include "ui/register_editor.h"
#include "ui/template_chooser.h"
#include "ui/tests/ui_test_support.h"
#include "ui/text_preview.h"

namespace k7q {

namespace {

// The problems of a shown window, one a line; empty when it is whole.
QString Problems(QWidget* window) {
  for (int i = 0; i < 10; ++i) QApplication::processEvents();
  QStringList problems;
  const QRect screen = window->screen()->geometry();
  if (!screen.contains(window->frameGeometry()))
    problems << QString("window %1 outside the screen %2")
                    .arg(QDebug::toString(window->frameGeometry()), QDebug::toString(screen));
  const QSize least = window->minimumSizeHint();
  if (least.width() > window->width() || least.height() > window->height())
    problems << QString("window %1 below its layout's %2")
                    .arg(QDebug::toString(window->size()), QDebug::toString(least));
  if (qobject_cast<QDialog*>(window) && window->width() < CaptionWidth(window))
    problems
        << QString("caption cut: %1 wide for %2").arg(window->width()).arg(CaptionWidth(window));
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (!child->isVisibleTo(window) || !child->parentWidget() || !child->parentWidget()->layout() ||
        child->parentWidget()->layout()->indexOf(child) < 0)
      continue;
    const QSizePolicy policy = child->sizePolicy();
    const QSize hint = child->minimumSizeHint();
    const bool narrow =
        policy.horizontalPolicy() != QSizePolicy::Ignored && hint.width() > child->width();
    const bool low = policy.verticalPolicy() != QSizePolicy::Ignored &&
                     hint.height() > child->height() && !child->hasHeightForWidth();
    const bool cutLabel =
        child->hasHeightForWidth() && child->heightForWidth(child->width()) > child->height();
    if (narrow || low || cutLabel)
      problems << QString("%1 \"%2\" %3 below %4")
                      .arg(child->metaObject()->className(), child->objectName(),
                           QDebug::toString(child->size()),
                           QDebug::toString(cutLabel ? QSize(child->width(),
                                                             child->heightForWidth(child->width()))
                                                     : hint));
  }
  // A list shows its longest line whole; only Configure Multiple's lists of paths scroll
  // sideways.
  for (QListWidget* list : window->findChildren<QListWidget*>()) {
    const bool paths = list->objectName() == "2201" || list->objectName() == "2202";
    if (list->isVisibleTo(window) && !paths &&
        list->viewport()->width() < list->sizeHintForColumn(0))
      problems << QString("list \"%1\" %2 wide for lines of %3")
                      .arg(list->objectName())
                      .arg(list->viewport()->width())
                      .arg(list->sizeHintForColumn(0));
  }
  return problems.join('\n');
}

#define QVERIFY_WHOLE(window)                           \
  do {                                                  \
    const QString problems = Problems(window);          \
    QVERIFY2(problems.isEmpty(), qPrintable(problems)); \
  } while (false)

// Checks the modal window with this object name when it shows, then closes it.
void CheckWhenShown(const QString& name, QStringList* seen,
                    std::function<void(QWidget*)> then = {}) {
  WhenShown(name, [=](QWidget* modal) {
    *seen << name + ": " + Problems(modal);
    if (then) {
      then(modal);
    } else {
      modal->close();
    }
  });
}

}  // namespace

class Scale2Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    TheChip().LoadBlock(DefaultHalStruct());
    features_ = std::make_unique<UiFeatures>(TheChip());
  }

  // On the screen, each tab, the Direct one with the simulated board's panel: whole, the
  // tree and list with no scroll bar around them, SHUTDOWN and the panel in view.
  void mainWindowOnEveryTab() {
    QCOMPARE(QApplication::primaryScreen()->geometry(), QRect(0, 0, 640, 512));
    QCOMPARE(QApplication::primaryScreen()->devicePixelRatio(), 2.0);
    MainWindow window(TheChip(), *features_);
    window.show();
    auto* tabs = window.findChild<QTabBar*>("1101");
    for (int tab = 0; tab < 3; ++tab) {
      tabs->setCurrentIndex(tab);
      QVERIFY_WHOLE(&window);
    }
    QVERIFY(window.findChildren<QScrollArea*>().value(0));
    auto* area = window.findChildren<QScrollArea*>().value(0);
    for (const char* name : {"1907", "1908", "panelView"}) {
      QWidget* control = window.findChild<QWidget*>(name);
      QVERIFY2(control, name);
      const QRect shown(control->mapTo(area->viewport(), QPoint(0, 0)), control->size());
      QVERIFY2(area->viewport()->rect().contains(shown), name);
    }
    // The short test pattern status takes the help text's place: nothing else moves.
    window.findChild<QPushButton*>("1906")->click();
    auto* pattern = window.findChild<QPushButton*>("1908");
    QVERIFY(pattern->isEnabled());
    const auto places = [&] {
      QList<QRect> rects;
      for (const char* name : {"1906", "1907", "1908", "panelView"})
        rects << window.findChild<QWidget*>(name)->geometry();
      return rects;
    };
    const QList<QRect> before = places();
    pattern->click();
    QApplication::processEvents();
    QCOMPARE(window.findChild<QLabel*>("1913")->text(), QString(27, ' '));
    QCOMPARE(places(), before);
    tabs->setCurrentIndex(0);
    QVERIFY(window.findChildren<QScrollArea*>().isEmpty());
  }

  void editorsChooserAndAbout() {
    ManualChanges changes;
    unsigned radix = 16;
    std::vector<UiItem> items{FeatureItem("stride"), FeatureItem("regoffset"),
                              FeatureItem("clki"),   FeatureItem("cfgdesc"),
                              FeatureItem("mod"),    FeatureItem("pccard")};
    std::vector<std::unique_ptr<QDialog>> dialogs;
    for (UiItem& item : items)
      dialogs.emplace_back(CreateFeatureEditor(nullptr, TheChip(), *features_, item));
    dialogs.emplace_back(new RegisterEditor(nullptr, TheChip(), changes, 1, 1, radix));
    UiItem* templates = nullptr;
    for (auto& node : features_->TopLevel()) {
      for (auto& child : node->children) {
        for (auto& inner : child->children) {
          if (inner->item.type == kUiTemplate) templates = &inner->item;
        }
      }
    }
    QVERIFY(templates);
    dialogs.emplace_back(new TemplateChooser(nullptr, *features_, *templates));
    for (const auto& dialog : dialogs) {
      dialog->show();
      QVERIFY_WHOLE(dialog.get());
    }
    QStringList seen;
    CheckWhenShown("211", &seen);
    ShowAboutBox(nullptr, TheChip());
    QCOMPARE(seen, QStringList{"211: "});
  }

  // The list, the save dialog and the preview; the quick reference too shows in the
  // program's own viewer.
  void exportDialogsAndPreview() {
    for (size_t kind : {size_t{0}, size_t{5}}) {
      QStringList seen;
      QString previewed;
      CheckWhenShown("Export", &seen, [&](QWidget* list) {
        CheckWhenShown("ExportAs", &seen, [&](QWidget* save) {
          CheckWhenShown("TextPreview", &seen, [&](QWidget* preview) {
            previewed = preview->windowTitle();
            preview->close();
          });
          save->findChild<QPushButton*>("preview")->click();
          qobject_cast<QDialog*>(save)->reject();
        });
        auto* rows = list->findChild<QTreeWidget*>("exportList");
        rows->setCurrentItem(rows->topLevelItem(static_cast<int>(kind)));
        list->findChild<QPushButton*>("exportAs")->click();
      });
      RunExportDialog(nullptr, TheChip());
      QCOMPARE(seen, QStringList({"Export: ", "ExportAs: ", "TextPreview: "}));
      QCOMPARE(previewed, kind == 0 ? QString("HAL_config.c") : QString("K7Q62500.txt"));
    }
  }

  void configureMultiple() {
    QTemporaryDir dir;
    QStringList names;
    for (int i = 0; i < 51; ++i)
      names << dir.filePath(QString("copy_%1.exe").arg(i, 2, 10, QChar('0')));
    ConfigureMultipleDialog dialog(nullptr, TheChip(), names);
    dialog.show();
    QVERIFY_WHOLE(&dialog);
    // The summary of 51 files scrolls within the screen.
    QString lines;
    for (const QString& name : names)
      lines += "Error\t" + name + ": The file does not contain any configuration data.\n";
    LongMessage summary(nullptr,
                        "Summary of configured files:\n\n0 of 51 files configured, 51 failed.",
                        lines, QMessageBox::Warning);
    summary.show();
    QVERIFY_WHOLE(&summary);
  }

 private:
  std::unique_ptr<UiFeatures> features_;
};

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  // The offscreen screen as a 1280x1024 monitor.
  QTemporaryDir dir;
  const QString config = dir.filePath("screen.json");
  std::ofstream(config.toStdString())
      << R"({"screens": [{"name": "monitor", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
      << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
  qputenv("QT_SCALE_FACTOR", "2");
  const QString board = dir.filePath("board");
  qputenv("K7Q_SIMULATED_BOARD", board.toUtf8());
  QApplication app(argc, argv);
  FitDialogsToCaptions();
  Scale2Test test;
  return QTest::qExec(&test, argc, argv);
}

#include "scale2_test.moc"
