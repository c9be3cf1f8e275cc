// The view tree: a frame bound to the host's window, views and controls with tags, and the
// listener that hears (tag, value) from the controls. Each family has a header of its own; this
// one brings them all.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/frame.h"
#include "toolkit/option_menu.h"
#include "toolkit/platform_frame.h"
#include "toolkit/view.h"
