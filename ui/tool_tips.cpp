#include "ui/tool_tips.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QStringList>
#include <QTabBar>
#include <QTimer>
#include <QToolTip>

#include "ui/control_name.h"

namespace k7q {

namespace {

constexpr int kShowMilliseconds = 30000;

struct Tip {
  QString text;
  QRect area;  // the tip goes away when the mouse leaves it; empty: the whole widget
  int maxWidth = 500;
  bool underWindow = false;  // descriptions of tree items and register rows
};

// A scroll area's viewport asks for the tip of the area or of the item under the mouse.
Tip TipAt(QWidget* widget, const QPoint& at) {
  Tip tip;
  if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
    const int index = tabs->tabAt(at);
    if (index >= 0) tip = {tabs->tabToolTip(index), tabs->tabRect(index)};
    return tip;
  }
  auto* area =
      widget->parentWidget() ? qobject_cast<QAbstractScrollArea*>(widget->parentWidget()) : nullptr;
  if (!area || area->viewport() != widget) return {widget->toolTip(), QRect()};
  if (auto* view = qobject_cast<QAbstractItemView*>(area)) {
    const QModelIndex index = view->indexAt(at);
    const bool description =
        IsControl(view, ControlId::kFeatureTree) || IsControl(view, ControlId::kRegisterList);
    return {index.data(Qt::ToolTipRole).toString(), view->visualRect(index), 500, description};
  }
  tip.text = area->toolTip();
  if (IsControl(area, ControlId::kDiagnosticsBox)) tip.maxWidth = 700;
  return tip;
}

// A description as a band directly under the main window, as wide as its client area;
// above the window where the screen has no room below. It goes when the mouse leaves
// the item it describes.
class DescriptionBand : public QLabel {
 public:
  DescriptionBand() : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName("descriptionBand");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setMargin(2);
    setContentsMargins(1, 0, 1, 0);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  }

  void Show(QWidget* widget, const QString& text, const QRect& area) {
    if (item_) item_->removeEventFilter(this);
    item_ = widget;
    area_ = area;
    widget->installEventFilter(this);
    const QWidget* window = widget->window();
    const QRect client = window->geometry();
    setFont(QToolTip::font());
    setPalette(QToolTip::palette());
    const int inner = client.width() - 2 * margin() - 2 * frameWidth() - 2;
    setText(WrapToWidth(text, QFontMetrics(font()), inner));
    setFixedWidth(client.width());
    const int height = sizeHint().height();
    QRect screen = window->screen() ? window->screen()->availableGeometry() : QRect();
    int y = client.bottom() + 4;
    if (!screen.isEmpty() && y + height > screen.bottom()) {
      y = window->frameGeometry().top() - height - 4;
      if (y < screen.top()) y = screen.bottom() - height;
    }
    setGeometry(client.left(), y, client.width(), height);
    show();
    raise();
    timer_.start(kShowMilliseconds);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == item_) {
      const bool left = event->type() == QEvent::Leave || event->type() == QEvent::Hide ||
                        event->type() == QEvent::KeyPress ||
                        event->type() == QEvent::MouseButtonPress;
      const bool moved = event->type() == QEvent::MouseMove && !area_.isEmpty() &&
                         !area_.contains(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (left || moved) hide();
    }
    return false;
  }

 private:
  QPointer<QWidget> item_;
  QRect area_;
  QTimer timer_;
};

DescriptionBand& Band() {
  static DescriptionBand* band = new DescriptionBand;
  return *band;
}

}  // namespace

QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  for (const QString& line : text.split('\n')) {
    QString current;
    bool first = true;
    for (const QString& word : line.split(' ')) {
      const QString longer = first ? word : current + ' ' + word;
      if (!first && metrics.horizontalAdvance(longer) > width) {
        lines << current;
        current = word;
      } else {
        current = longer;
      }
      first = false;
    }
    lines << current;
  }
  return lines.join('\n');
}

QFont FixedPitchFont(const QString& family, int pixelSize) {
  QFont font(family);
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(pixelSize);
  if (QFontInfo(font).fixedPitch()) return font;
  QStringList families = QFontDatabase::families();
  families.prepend(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
  for (const QString& candidate : families) {
    font.setFamily(candidate);
    if (QFontDatabase::isFixedPitch(candidate) && QFontInfo(font).fixedPitch()) return font;
  }
  return QFont(family);
}

bool ShowWindowToolTip(QWidget* widget, const QHelpEvent& event) {
  const Tip tip = TipAt(widget, event.pos());
  if (tip.text.isEmpty()) return false;
  if (tip.underWindow) {
    QToolTip::hideText();
    Band().Show(widget, tip.text, tip.area);
    return true;
  }
  const QString text = WrapToWidth(tip.text, QFontMetrics(QToolTip::font()), tip.maxWidth);
  QToolTip::showText(event.globalPos(), text, widget, tip.area, kShowMilliseconds);
  return true;
}

}  // namespace k7q
