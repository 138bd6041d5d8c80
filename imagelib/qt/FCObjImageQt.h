// The image on the clipboard and on the screen.
#pragma once

#include "imagelib/FCObjImage.h"

#include <QImage>
#include <QSize>

class QPainter;

// Puts the image on the clipboard as a bitmap block (8-bit images as a 24-bit copy, 32-bit
// images with their alpha) plus a plain top-down image for other programs. Nothing when the
// image has no pixels.
void CopyToClipboard(const FCObjImage& image);

// Replaces the image with the clipboard's picture: a 32-bit bitmap block is taken byte for byte;
// anything else that holds a picture becomes a 24-bit image (alpha dropped). False, with the
// image empty, when there is no usable picture.
bool PasteFromClipboard(FCObjImage& image);

// Draws the image (or its part src, in image pixels, half-open; null = the whole image) into
// dest. 32-bit images are blended with their alpha and must hold premultiplied colours; 8- and
// 24-bit images are copied, averaged when shrunk and repeated pixel by pixel when enlarged. The
// painter's state is the same afterwards, its brush origin at (0, 0). Nothing when the image
// has no pixels.
void DrawToDC(const FCObjImage& image, QPainter& painter, const RECT& dest, const RECT* src = nullptr);

// The pixels of the image seen as a QImage without copying, rows in memory order (the bottom row
// of the picture first). Null for an image without pixels.
QImage WrapBottomUp(const FCObjImage& image);

// The part src of an 8- or 24-bit image averaged down to size, top row first.
QImage ShrinkForDisplay(const FCObjImage& image, const RECT& src, QSize size);
// The same, one output pixel after the other on the calling thread: what the fast one is
// compared with.
QImage ShrinkForDisplayPlain(const FCObjImage& image, const RECT& src, QSize size);

// A deep, top-down QImage of the image for other programs: straight alpha for 32 bits.
QImage ToTopDownImage(const FCObjImage& image);
