#include "ui/panel_view.h"

#include <QPainter>
#include <algorithm>

#include "board/panel_renderer.h"
#include "board/simulated_board.h"
#include "config/chip62500.h"

namespace k7q {

PanelView::PanelView(Chip62500& chip, QWidget* parent) : QWidget(parent), chip_(chip) {
  setObjectName("panelView");
  setMinimumSize(160, 100);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  Refresh();
}

void PanelView::Refresh() {
  const auto* board = dynamic_cast<const SimulatedBoard*>(chip_.Runtime().board.driver.get());
  if (!board) {
    image_ = QImage();
  } else {
    const PanelImage panel =
        RenderPanel(board->Chip().registers, board->Chip().memory, kSimulatedMemorySize);
    image_ =
        QImage(panel.pixels.data(), static_cast<int>(panel.width), static_cast<int>(panel.height),
               static_cast<int>(panel.width), QImage::Format_Grayscale8)
            .copy();
  }
  update();
}

void PanelView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().mid());
  if (image_.isNull()) return;
  // Whole pixels where the panel fits, so that every pixel stays sharp; smoothed
  // where it must shrink.
  QSize size = image_.size();
  const int factor = std::min(width() / size.width(), height() / size.height());
  size = factor >= 1 ? size * factor : size.scaled(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  if (factor >= 1) {
    painter.drawImage(target, image_);
  } else {
    painter.drawImage(target.topLeft(),
                      image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
}

}  // namespace k7q
