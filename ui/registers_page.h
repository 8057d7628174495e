// The Registers tab: the block's register values in initialization order, or in live
// mode the chip's registers, each editable by hand.
#pragma once

class PageHost;
class QWidget;

QWidget* CreateRegistersPage(PageHost& host, QWidget* parent);
