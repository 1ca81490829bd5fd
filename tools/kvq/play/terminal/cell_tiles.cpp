// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/cell_tiles.h"
