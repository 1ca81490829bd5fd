// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/terminal_probe.h"
