// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/text_painter.h"
