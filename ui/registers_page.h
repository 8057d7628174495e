// The Registers tab: the block's register values in initialization order, or in live
// mode the chip's registers, each editable by hand.
#pragma once

class QWidget;

namespace k7q {

class PageHost;

QWidget* CreateRegistersPage(PageHost& host, QWidget* parent);

// The periodic check of the open Registers page (one call per tick of the live-mode
// timer): from the 10th tick after opening, and every 5th after that, rows whose value
// changed are rewritten. True when any changed; false when the page is not open.
bool CheckRegistersPage();

struct ManualChanges;
// The marks of values typed on the Registers tab; they outlive the page.
ManualChanges& RegisterHandChanges();

}  // namespace k7q
