#include "ui/tool_tips.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStringList>
#include <QTabBar>
#include <QToolTip>

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
    const bool description = view->objectName() == "1601" || view->objectName() == "1801";
    return {index.data(Qt::ToolTipRole).toString(), view->visualRect(index), 500, description};
  }
  tip.text = area->toolTip();
  if (area->objectName() == "1103") tip.maxWidth = 700;
  return tip;
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

bool ShowWindowToolTip(QWidget* widget, const QHelpEvent& event) {
  const Tip tip = TipAt(widget, event.pos());
  if (tip.text.isEmpty()) return false;
  const QString text = WrapToWidth(tip.text, QFontMetrics(QToolTip::font()), tip.maxWidth);
  QPoint at = event.globalPos();
  if (tip.underWindow) {
    // Descriptions stand under the main window, at its left edge, clear of the list.
    const QWidget* window = widget->window();
    at = window->mapToGlobal(QPoint(0, window->height() + 4));
  }
  QToolTip::showText(at, text, widget, tip.area, kShowMilliseconds);
  return true;
}
