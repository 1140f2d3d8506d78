#pragma once
// The caption buttons' image sets: for each colour scheme, five kinds of button in
// four states. They are generated once, on first use, from a face gradient, a rim and
// a symbol mask per kind.

#include <QImage>

#include "skin/sk_types.h"

namespace torv {

// The state part of an image's index, in the order the images are stored.
enum class TSysBtnState { sbNormal = 1, sbHot = 2, sbPressed = 3, sbDisabled = 4 };

// Image set 0 (classic, 19 x 19) for ctNone; sets 1 to 7 (rounded, 21 x 21) for the
// other schemes, ctDefault and ctW2K sharing set 1.
int SysBtnImageSet(TColorTexture texture);
int SysBtnImageSide(TColorTexture texture);

// The image of a scheme's set for a kind and state; a null image for dNone.
const QImage& SysBtnImage(TColorTexture texture, TDesignation designation, TSysBtnState state);

}  // namespace torv
