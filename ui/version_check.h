// The toolkit version check: the program needs at least the Qt version it was built with.
#pragma once

class QWidget;

namespace k7q {

// True when the running toolkit is recent enough.
bool ToolkitIsRecentEnough();
// Shows the required and the installed version and whether an update is needed.
void ShowVersionDialog(QWidget* owner);

}  // namespace k7q
