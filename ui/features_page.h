// The Features tab: the tree of the UI feature file with current values.
#pragma once

#include <QFont>

class QWidget;

namespace k7q {

class PageHost;

QWidget* CreateFeaturesPage(PageHost& host, QWidget* parent);

// "Courier New" of 11 pixels: the tree and the address editor's memory map.
QFont FeaturesPageFont();

}  // namespace k7q
