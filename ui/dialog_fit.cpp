#include "ui/dialog_fit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace k7q {

namespace {

class CaptionFitter : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowTitleChange) {
      auto* dialog = qobject_cast<QDialog*>(watched);
      if (dialog && dialog->isWindow()) {
        int width = CaptionWidth(dialog);
        // A caption longer than the screen is cut by the title bar, not the dialog.
        if (const QScreen* screen = dialog->screen())
          width = std::min(width, screen->availableGeometry().width() * 9 / 10);
        // Never below what the layout needs: an explicit minimum would replace it.
        width = std::max(width, dialog->minimumSizeHint().width());
        if (dialog->minimumWidth() < width) dialog->setMinimumWidth(width);
        if (dialog->width() < width) dialog->resize(width, dialog->height());
        // Once shown where Qt places it, over its owner.
        if (event->type() == QEvent::Show)
          QTimer::singleShot(0, dialog, [dialog] { KeepOnScreen(dialog); });
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

void KeepOnScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  // Room for the title bar and the frame, which the window manager adds.
  const int line = QFontMetrics(window->font()).height();
  const QRect room = screen->availableGeometry().adjusted(line / 2, 2 * line, -line / 2, -line / 2);
  const QSize size = window->size()
                         .boundedTo(room.size())
                         .expandedTo(window->minimumSize())
                         .expandedTo(window->minimumSizeHint());
  if (size != window->size()) window->resize(size);
  QRect placed(window->pos(), size);
  if (placed.right() > room.right()) placed.moveRight(room.right());
  if (placed.bottom() > room.bottom()) placed.moveBottom(room.bottom());
  if (placed.left() < room.left()) placed.moveLeft(room.left());
  if (placed.top() < room.top()) placed.moveTop(room.top());
  if (placed.topLeft() != window->pos()) window->move(placed.topLeft());
}

void FitDialogsToCaptions() {
  static CaptionFitter* fitter = nullptr;
  if (fitter) return;
  fitter = new CaptionFitter(qApp);
  qApp->installEventFilter(fitter);
}

}  // namespace k7q
