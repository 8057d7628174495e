// The Export Options dialog: cursor, acceleration and mode number of the driver headers.
#pragma once

#include "export/export_settings.h"

class QWidget;

namespace k7q {

// Changes settings' mode number and option bits on OK; false on Cancel. The mode number
// is not offered when showMode is false.
bool RunExportOptionsDialog(QWidget* owner, ExportSettings& settings, bool showMode);

}  // namespace k7q
