// SPDX-License-Identifier: MIT
#pragma once

// Whether this Windows program runs under Wine rather than on Windows; false on other systems.
bool runningUnderWine();
