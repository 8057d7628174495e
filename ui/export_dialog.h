// File > Export: the list of generated files, the save dialog with its preview and
// options, and writing the chosen file.
#pragma once

#include <QString>
#include <functional>

#include "export/export_settings.h"

class QWidget;

namespace k7q {

class Chip62500;

// The path of the file written, or empty when nothing was.
QString RunExportDialog(QWidget* owner, Chip62500& chip);

// The mode number, options and chosen kind, kept while the program runs.
ExportSettings& CurrentExportSettings();

// Shows a preview file in the program's own text viewer; textEditor is clear for the
// quick reference. Tests replace it (nullptr: the viewer again); false when the file
// could not be shown.
using PreviewOpener = std::function<bool(const QString& path, bool textEditor)>;
void SetPreviewOpener(PreviewOpener opener);

}  // namespace k7q
