// SPDX-License-Identifier: MIT
#include "kvq/common/tool_error.h"

#include <cstring>

std::string systemErrorMessage(const std::string& path, const std::string& cause, int error_number)
{
    return path + ": " + cause + ": " + std::strerror(error_number);
}
