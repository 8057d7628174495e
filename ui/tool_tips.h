// Tooltips of the main window: shown for 30 seconds and wrapped to a maximum width.
#pragma once

#include <QFont>
#include <QString>

class QFontMetrics;
class QHelpEvent;
class QWidget;

namespace k7q {

// Breaks each line of text at blanks so that no line is wider than width pixels; a
// word wider than that stands on a line of its own.
QString WrapToWidth(const QString& text, const QFontMetrics& metrics, int width);

// Shows the tip of the widget, tab or item under the event's position, 700 pixels wide
// at most over the Diagnostics box and 500 elsewhere; the descriptions of features and
// registers as a band under the window. False when there is no tip text.
bool ShowWindowToolTip(QWidget* widget, const QHelpEvent& event);

// The family at the pixel size when the system has it as a fixed-pitch font, else the
// first fixed-pitch family the system has.
QFont FixedPitchFont(const QString& family, int pixelSize);

}  // namespace k7q
