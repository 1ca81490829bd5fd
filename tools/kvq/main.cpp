// SPDX-License-Identifier: MIT
#include <iostream>
#include <string>
#include <vector>

#include "kvq/cli/run_kvq.h"
#include "kvq/files/interrupt_cleanup.h"

int main(int argc, char** argv)
{
    cleanUpOnInterrupt();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = runKvq(arguments, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "kvq: cannot write to standard output\n";
        return kExitFailure;
    }
    return status;
}
