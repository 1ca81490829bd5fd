// SPDX-License-Identifier: MIT
#include "platform/terminal/terminal_rescue.h"
