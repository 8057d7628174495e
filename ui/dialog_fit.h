// Dialogs at least as wide as their caption needs, at any font size and scale.
#pragma once

class QWidget;

namespace k7q {

// The width a window needs to show its whole caption: the text in the window's font plus
// room for the title bar's icon and buttons.
int CaptionWidth(const QWidget* window);

// Shrinks the window to the screen's free area, not below its minimum size, and moves
// it inside that area.
void KeepOnScreen(QWidget* window);

// From now on every dialog that is shown is widened to its caption width and kept on
// the screen. Once per run.
void FitDialogsToCaptions();

}  // namespace k7q
