// File > Import Settings..., Export Settings... and Compare With...: settings files in
// the desktop program.
#pragma once

#include <QString>

class QWidget;

namespace k7q {

class Chip62500;

// The file dialog filters of settings files; the default suffix is "settings".
QString SettingsFileFilters();

// Applies the settings file to the chip, all or nothing; a bad file is reported in a
// message box with every bad line. True when the chip was changed.
bool ImportSettingsFile(QWidget* owner, Chip62500& chip, const QString& path);

// Writes the chip's full settings; a failure is reported in a message box.
bool ExportSettingsFile(QWidget* owner, Chip62500& chip, const QString& path);

// Shows what differs between the chip's configuration and the other file (a
// configurable file or a settings file) in a list, in a modal dialog.
void CompareWithFile(QWidget* owner, Chip62500& chip, const QString& path);

}  // namespace k7q
