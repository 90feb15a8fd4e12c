#pragma once

#include "gfx/Surface.h"

namespace brelvo::assets {

// The built-in pictures the gallery offers before the user has any of their own: 0 is a cartoon
// face, 1 a landscape, 2 a bold pattern. Each is drawn from code, so the asset builder needs no
// image files, and each shows clearly what the Hook, the Magnifier and the Gripper do to it.
inline constexpr int kGalleryPictureCount = 3;

// Creates out at the picture's size and draws picture index into it. The same index gives the
// same pixels every time, on every machine. False, with out untouched, for an index outside
// 0 .. kGalleryPictureCount - 1, and false when the Surface cannot be created.
bool DrawGalleryPicture(int index, Surface& out);

} // namespace brelvo::assets
