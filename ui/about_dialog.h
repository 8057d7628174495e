// The About box.
#pragma once

class QWidget;

namespace k7q {

class Chip62500;

void ShowAboutBox(QWidget* owner, Chip62500& chip);

}  // namespace k7q
