#include "ui/dialog_fit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>

namespace {

class CaptionFitter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange) {
      auto* dialog = qobject_cast<QDialog*>(watched);
      if (dialog && dialog->isWindow()) {
        const int width = CaptionWidth(dialog);
        if (dialog->minimumWidth() < width) dialog->setMinimumWidth(width);
        if (dialog->width() < width) dialog->resize(width, dialog->height());
      }
    }
    return false;
  }
};

}  // namespace

int CaptionWidth(const QWidget* window) {
  // Title bars commonly show the caption in bold; the icon, three buttons and the
  // frame take about ten lines' height.
  QFont bold = window->font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  return metrics.horizontalAdvance(window->windowTitle()) + 10 * metrics.height();
}

void FitDialogsToCaptions() {
  static CaptionFitter* fitter = nullptr;
  if (fitter) return;
  fitter = new CaptionFitter(qApp);
  qApp->installEventFilter(fitter);
}
