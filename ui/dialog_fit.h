// Dialogs at least as wide as their caption needs, at any font size and scale.
#pragma once

class QWidget;

// The width a window needs to show its whole caption: the text in the window's font plus
// room for the title bar's icon and buttons.
int CaptionWidth(const QWidget* window);

// From now on every dialog that is shown is widened to its caption width. Once per run.
void FitDialogsToCaptions();
