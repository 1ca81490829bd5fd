// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/cp437_unicode.h"
