// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>

#include "kvq/common/arguments.h"

// `kvq export FRAMES -o OUT.ans [--baud N] [--font FONT]`: the frame file as an ANSImation (see
// AnsimationWriter), written whole or not at all, with a summary line on `out`.
int exportAnsimation(const ParsedArguments& parsed, std::ostream& out);

// Whether `output` names an ANSI file, which the export writes as an ANSImation.
bool isAnsiOutput(const std::string& output);
