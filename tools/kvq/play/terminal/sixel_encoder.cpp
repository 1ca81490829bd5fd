// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/sixel_encoder.h"
