// The simulated chip's panel, drawn beside the Direct tab's controls and scaled to fit.
#pragma once

#include <QImage>
#include <QWidget>

namespace k7q {

class Chip62500;

class PanelView : public QWidget {
 public:
  PanelView(Chip62500& chip, QWidget* parent);

  // Draws the panel again from the simulated chip; dark while there is none.
  void Refresh();
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Chip62500& chip_;
  QImage image_;
};

}  // namespace k7q
