// "Rotation libre..." and "Nouvelle Taille...": from the values of their dialogs to the effect
// the document applies. No windows here: the dialogs give the values, these rules decide.
#pragma once

#include "imagelib/FCImageEffect.h"

#include <cstdint>
#include <memory>
#include <optional>

// What the rotation dialog gives back: the angle typed (degrees), the direction chosen, and
// whether FreeImage does the turn.
struct RotationValues
{
    double angle = 0.0;
    bool toRight = true;
    bool useFreeImage = false;
};

// The rotation to apply: either our own bilinear turn by radians (background 0: black, alpha 0),
// or FreeImage's turn by degrees.
struct RotationCommand
{
    bool freeImage = false;
    double freeImageDegrees = 0.0; // for FreeImage, positive anticlockwise on screen
    double radians = 0.0;          // for our own turn, positive clockwise, within [0, 2 pi)
};

// An angle in degrees brought into [0, 360): the remainder of the division by 360, plus 360 when
// negative. One division whatever the size of the angle (a huge angle never loops).
double NormaliseDegrees(double degrees);

// The signed angle is the one typed "Vers la droite" and its negative "Vers la gauche"; FreeImage
// turns by minus that angle, our own turn by it brought into [0, 360) and converted to radians.
// Nothing (nullopt) for an angle that is not a finite number.
std::optional<RotationCommand> RotationFromDialog(const RotationValues& values);
std::unique_ptr<FCImageEffect> MakeRotationEffect(const RotationCommand& command);

// What the size dialog gives back: the numbers typed, the automatic sides, FreeImage and its
// filter (0..5, box to Lanczos 3).
struct ResizeValues
{
    int width = 0;
    int height = 0;
    bool autoWidth = false;
    bool autoHeight = false;
    bool useFreeImage = false;
    int filter = 1;
};

struct ResizeCommand
{
    bool freeImage = false;
    int width = 0;
    int height = 0;
    int filter = 0;
};

enum class ResizeRefusal
{
    None,
    TooSmall, // a side below 1 pixel (nothing typed, 0, negative, or an automatic side rounding to 0)
    TooLarge, // a side beyond the range of an image size
};

struct ResizeDecision
{
    std::optional<ResizeCommand> command;
    ResizeRefusal refusal = ResizeRefusal::None;
    // The size the dialog's values make (64 bits), refused or not.
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// "Largeur auto": width := image width x height / image height; then "Hauteur auto": height :=
// image height x width / image width (whole-number divisions, in 64 bits). A side below 1 or
// beyond the signed 32-bit range is refused: the document is never given such a size.
ResizeDecision ResizeFromDialog(int imageWidth, int imageHeight, const ResizeValues& values);
std::unique_ptr<FCImageEffect> MakeResizeEffect(const ResizeCommand& command);
