#include "ui/currently_line.h"

#include <QLabel>

#include "ui/dialog_fit.h"

namespace k7q {

void SetCurrentlyLine(QLabel* line, const QString& text, bool error) {
  line->setText(text);
  QPalette palette = line->palette();
  palette.setColor(QPalette::WindowText, error ? QColor(255, 0, 0) : QColor(0, 0, 0));
  line->setPalette(palette);
  // A shown dialog grows for a longer text rather than cutting it.
  QWidget* window = line->window();
  const int missing = line->sizeHint().width() - line->width();
  if (!window->isVisible() || missing <= 0) return;
  window->resize(window->width() + missing, window->height());
  KeepOnScreen(window);
}

}  // namespace k7q
