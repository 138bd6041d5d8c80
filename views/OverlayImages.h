// The images of the floating paste window and of translucent pictures on screen: colours
// premultiplied by alpha, the half-transparent display image, the document pixels under the
// window, and the paste mode of each menu command.
#pragma once

#include "imagelib/FCObjImage.h"

// A copy of a 32-bit image with its colours premultiplied; the image itself is left alone.
FCObjImage PremultipliedCopy(const FCObjImage& image);

// The display image of a pasted picture: converted to 32 bits, every alpha halved (a >> 1), then
// premultiplied. The picture is taken over.
void MakeOverlayDisplayImage(FCObjImage& picture);

// Rebuilds background (the pasted picture's size, the document's depth; made again whenever the
// document's depth changed) from the document pixels whose top-left pixel is at `at`: black
// (opaque at 32 bits) where the window lies off the image.
void ComposeOverlayBackground(FCObjImage& background, int width, int height, const FCObjImage& document,
                              POINT at);

// The paste mode of a command of the paste window's menu (0 plain copy, 1..10 blends); -1 for
// any other id.
int PasteModeOfCommand(int id);
