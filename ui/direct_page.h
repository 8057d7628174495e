// The Direct tab: initialize the chip on the evaluation board from the current settings,
// shut the display down, draw a test pattern, and write every change to the chip at once.
#pragma once

class QWidget;

namespace k7q {

class PageHost;

QWidget* CreateDirectPage(PageHost& host, QWidget* parent);

}  // namespace k7q
