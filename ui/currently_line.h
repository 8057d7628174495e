// The "Currently" line of the editors: black normally, red while it shows why a value
// was refused; a shown dialog grows to show the whole text.
#pragma once

class QLabel;
class QString;

namespace k7q {

void SetCurrentlyLine(QLabel* line, const QString& text, bool error);

}  // namespace k7q
