// SPDX-License-Identifier: MIT
#include "kvq/files/file_identity.h"

#include <sys/stat.h>

#include "kvq/common/tool_error.h"

bool isSameExistingFile(const std::string& first, const std::string& second)
{
    struct stat first_info {};
    struct stat second_info {};
    if (::stat(first.c_str(), &first_info) != 0 || ::stat(second.c_str(), &second_info) != 0) return false;
    return first_info.st_dev == second_info.st_dev && first_info.st_ino == second_info.st_ino;
}

void refuseToReplaceInput(const std::string& output, const std::string& input)
{
    if (isSameExistingFile(output, input)) {
        throw ToolError(output + ": is the input file " + input + "; refusing to overwrite it");
    }
}
