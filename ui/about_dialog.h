// The About box.
#pragma once

class QWidget;
class Chip62500;

void ShowAboutBox(QWidget* owner, Chip62500& chip);
