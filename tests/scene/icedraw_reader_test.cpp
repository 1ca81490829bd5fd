// SPDX-License-Identifier: MIT
#include "scene/stored_cells_checks.h"
