// Names of EXIF/TIFF metadata tags and the text of their values, for the information text, the
// open dialog's preview lines and the stamping of items by name. Numbers are written without
// the locale ("5.00 mm", "F/2.8" whatever LC_NUMERIC says).
#pragma once

#include "platform/WinTypes.h"

#include <string>

namespace imaging
{
class PlatformBitmap;
}

// The name of a tag id ("EquipMake", "ExifFocalLength"...); empty for an id not in the table.
std::wstring PropertyTagName(unsigned tag);

// The text of an item's value: special forms for exposure time, F-number, ISO speed, focal
// length, orientation, resolution and resolution unit, then a generic form by type. Only the
// item's length bytes of its value are read; a value too short for its form gives empty text.
std::wstring FormatPropertyValue(const PropertyItem& item);

// One item of a platform bitmap (its active frame), formatted; empty when it has none.
std::wstring GetPropertyText(imaging::PlatformBitmap& image, unsigned tag);

// "Byte", "ASCII", "Short", "Long", "Rational", "Undefined", "SLONG", "SRational", else "Unknown".
std::wstring PropertyTypeName(unsigned type);

// The name of a platform imaging status: 0 "Ok", 1 "GenericError" ... 20 "PropertyNotSupported",
// anything else "Unknown".
std::wstring GdiplusStatusName(int status);
