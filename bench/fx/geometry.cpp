// Geometry: flips, right-angle turns, doubling and halving, free rotation, rhombus and
// trapezium, Catmull-Rom resize, FreeImage rescale and rotation.
#include "bench/EffectRegistry.h"
#include "imagelib/effects/DistortEffects.h"
#include "imagelib/effects/FlipRotateEffects.h"
#include "imagelib/effects/ResizeEffects.h"

static const EffectFamily geometryEffects{
    // The flips move alpha bytes with their pixels.
    MakeEffectEntry<FCEffectFlip>("FCEffectFlip", "", {}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectMirror>("FCEffectMirror", "", {}, kFxChangesAlpha),
    MakeEffectEntry<FCEffectRotate90>("FCEffectRotate90", "", {}, kFxChangesSize),
    MakeEffectEntry<FCEffectRotate270>("FCEffectRotate270", "", {}, kFxChangesSize),
    MakeEffectEntry<FCEffectRotate180>("FCEffectRotate180", "", {}, kFxChangesSize),
    MakeEffectEntry<FCEffectDilate>("FCEffectDilate", "", {}, kFxChangesSize),
    MakeEffectEntry<FCEffectReduce>("FCEffectReduce", "", {}, kFxChangesSize),
    // 30 degrees clockwise, background black and transparent.
    MakeEffectEntry<FCEffectRotate, double, unsigned>("FCEffectRotate", "angle_radians background_0xAARRGGBB",
                                                      {"0.5235987755982988", "0"}, kFxChangesSize),
    MakeEffectEntry<FCEffectLosange, int, int>("FCEffectLosange", "dx dy", {"400", "-200"}, kFxChangesSize),
    MakeEffectEntry<FCEffectTrapeze, int, int>("FCEffectTrapeze", "dx dy", {"600", "-300"}, kFxChangesSize),
    MakeEffectEntry<FCEffectResize, int, int>("FCEffectResize", "width height", {"3000", "2000"},
                                              kFxChangesSize),
    MakeEffectEntry<FCEffectResizeFreeImage, int, int, int>(
        "FCEffectResizeFreeImage", "width height filter_0_5", {"3000", "2000", "5"}, kFxChangesSize),
    MakeEffectEntry<FCEffectRotateFreeImage, double>("FCEffectRotateFreeImage", "angle_degrees", {"30"},
                                                     kFxChangesSize),
};
