// SPDX-License-Identifier: MIT
#include "platform/terminal/posix_terminal_link.h"
