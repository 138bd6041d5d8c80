// The device manager over SANE: one scanner device per local SANE device, its root item with the
// device's properties and its scan item with the image's, the settings dialog through the owner
// window, and banded transfers of MEMORYBMP pages (a header with height 0 and the colour table,
// then top-down rows padded to 4 bytes, colour as B, G, R).
#pragma once

#include "platform/scanner/WiaTypes.h"

// A new manager with one reference.
IWiaDevMgr* CreateSaneWiaDevMgr();

// Tells the registered event callbacks that the device list may have changed.
void NotifySaneDeviceChange(bool connected);
