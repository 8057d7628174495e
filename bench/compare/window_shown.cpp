// The desktop program's start as 62500twk makes it (chip, UI features, application, main
// window), ending at the main window's first paint, so that a whole-process timer sees
// how long the window takes to appear.
#include <QApplication>
#include <QEvent>

#include "config/chip62500.h"
#include "ui/dialog_fit.h"
#include "ui/main_window.h"
#include "uifeatures/ui_features.h"

namespace k7q {

namespace {

class QuitAtFirstPaint : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) QCoreApplication::quit();
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

}  // namespace k7q

int main(int argc, char** argv) {
  using namespace k7q;
  Chip62500& chip = TheChip();
  UiFeatures features(chip);
  QApplication app(argc, argv);
  FitDialogsToCaptions();
  MainWindow window(chip, features);
  QuitAtFirstPaint quit;
  window.installEventFilter(&quit);
  window.show();
  return app.exec();
}
