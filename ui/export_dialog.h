// File > Export: the list of generated files, the save dialog with its preview and
// options, and writing the chosen file.
#pragma once

#include <QString>
#include <functional>

#include "export/export_settings.h"

class QWidget;
class Chip62500;

void RunExportDialog(QWidget* owner, Chip62500& chip);

// The mode number, options and chosen kind, kept while the program runs.
ExportSettings& CurrentExportSettings();

// Shows a preview file: in the program's own text viewer (textEditor) or with the
// program the system associates with it. Tests replace it; false when nothing could be started.
using PreviewOpener = std::function<bool(const QString& path, bool textEditor)>;
void SetPreviewOpener(PreviewOpener opener);
