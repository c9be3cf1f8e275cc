// A bitmap of the skin that can be loaded again from its file: every view that shows it sees
// the new image, since the object stays where it is.
#pragma once

#include <string>

#include "toolkit/graphics.h"

namespace vexlo::manager {

class SkinBitmap : public toolkit::CBitmap {
public:
    // Replaces the image with the file's; a missing or unreadable file leaves the object empty
    // (0 x 0). Always false, as nothing is to be learnt from it beyond the size.
    bool load(const std::string& path);
};

}  // namespace vexlo::manager
