// What a tab page needs from the main window.
#pragma once

#include <QString>

class QWidget;

namespace k7q {

class Chip62500;
class UiFeatures;

class PageHost {
 public:
  virtual ~PageHost() = default;
  virtual Chip62500& Chip() = 0;
  virtual UiFeatures& Features() = 0;
  // Formats the Diagnostics box and appends the chip's consistency errors.
  virtual void ShowDiagnostics(const QString& text, bool alert) = 0;
  // Called after a setting changed through an editor or template.
  virtual void SettingsChanged() = 0;
  // The main window, owner of message boxes and editors.
  virtual QWidget* Window() = 0;
};

}  // namespace k7q
