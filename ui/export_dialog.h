// Choosing a generated file and where to save it.
#pragma once

class QWidget;
class Chip62500;

void RunExportDialog(QWidget* owner, Chip62500& chip);
