// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

// The folders an encode has to make, removed again unless it succeeds: a failure leaves no
// empty folder behind. Only empty ones go, so nothing put there meanwhile is lost.
class MadeFolders {
public:
    // Makes `folder` and any missing folder above it; a ToolError naming it when it cannot.
    explicit MadeFolders(const std::filesystem::path& folder);
    ~MadeFolders()
    {
        if (!kept_) removeMade();
    }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void keep() { kept_ = true; }

private:
    void removeMade();

    std::vector<std::filesystem::path> made_;  // the deepest first
    bool kept_ = false;
};
