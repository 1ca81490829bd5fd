// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_input.h"
