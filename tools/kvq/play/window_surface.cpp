// SPDX-License-Identifier: MIT
#include "kvq/play/window_surface.h"
