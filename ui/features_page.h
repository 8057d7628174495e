// The Features tab: the tree of the UI feature file with current values.
#pragma once

#include <QFont>

class PageHost;
class QWidget;

QWidget* CreateFeaturesPage(PageHost& host, QWidget* parent);

// "Courier New" of 11 pixels: the tree and the address editor's memory map.
QFont FeaturesPageFont();
