// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>

// A scene file that cannot be read; the message is one line, without the file's name.
class SceneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
