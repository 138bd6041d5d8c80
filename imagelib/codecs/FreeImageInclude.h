// FreeImage's header with our own platform value types in place of the ones it would declare:
// both describe the same layouts (RGBQUAD, BITMAPINFOHEADER, BYTE, WORD, DWORD, LONG, BOOL).
#pragma once

#include "platform/WinTypes.h"

#ifndef _WINDOWS_
#define _WINDOWS_
#define ORVALIS_DEFINED_WINDOWS_GUARD
#endif
#include <FreeImage.h>
#ifdef ORVALIS_DEFINED_WINDOWS_GUARD
#undef _WINDOWS_
#undef ORVALIS_DEFINED_WINDOWS_GUARD
#endif
