// SPDX-License-Identifier: MIT
#include "kvq/files/made_folders.h"

#include <cerrno>

#include "kvq/common/tool_error.h"

MadeFolders::MadeFolders(const std::filesystem::path& folder)
{
    std::error_code error;
    for (auto at = folder; !at.empty() && !std::filesystem::exists(at, error); at = at.parent_path()) {
        made_.push_back(at);
        if (at == at.parent_path()) break;
    }
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        removeMade();
        const int cause = error ? error.value() : ENOTDIR;
        throw ToolError(systemErrorMessage(folder.string(), "cannot make the folder", cause));
    }
}

void MadeFolders::removeMade()
{
    std::error_code ignored;
    for (const auto& at : made_) std::filesystem::remove(at, ignored);
}
