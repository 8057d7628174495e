#include "ui/about_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "config/chip62500.h"
#include "uimodel/program_texts.h"

namespace k7q {

namespace {

// The picture shown; a double-click switches to the other one for the rest of the run.
int& PictureIndex() {
  static int index = 0;
  return index;
}

QPixmap Picture(int index) {
  QPixmap pixmap(84, 79);
  pixmap.fill(index == 0 ? QColor(0, 0, 175) : QColor(0, 120, 60));
  QPainter painter(&pixmap);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(20);
  painter.setFont(font);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, index == 0 ? "62500" : "LCD");
  return pixmap;
}

class AboutBox : public QDialog {
 public:
  AboutBox(QWidget* owner, Chip62500& chip) : QDialog(owner) {
    setObjectName("211");
    setWindowTitle(QString::fromStdString("About " + ProgramName(chip)));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    picture_ = new QLabel(this);
    picture_->setObjectName("2002");
    picture_->setPixmap(Picture(PictureIndex()));
    row->addWidget(picture_);
    auto* text = new QLabel(QString::fromStdString(AboutText(chip)), this);
    text->setObjectName("2001");
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 175));
    text->setPalette(palette);
    row->addWidget(text, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
  }

 protected:
  void mouseDoubleClickEvent(QMouseEvent*) override {
    PictureIndex() = 1 - PictureIndex();
    picture_->setPixmap(Picture(PictureIndex()));
  }

 private:
  QLabel* picture_;
};

}  // namespace

void ShowAboutBox(QWidget* owner, Chip62500& chip) {
  AboutBox box(owner, chip);
  box.exec();
}

}  // namespace k7q
