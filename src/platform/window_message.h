// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The window messages the player's window procedure understands, with the values a Win32 program
// knows them by, so the window code reads like the design it follows.
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;

// Key message lParam layout: repeat count in bits 0-15, scan code in bits 16-23, extended key in
// bit 24, Alt held in bit 29, previous key state in bit 30, transition state (set: going up) in 31.
inline constexpr int kScanCodeShift = 16;
inline constexpr std::uint32_t kExtendedKeyBit = 1u << 24;
inline constexpr std::uint32_t kAltContextBit = 1u << 29;
inline constexpr std::uint32_t kPreviousStateBit = 1u << 30;
inline constexpr std::uint32_t kTransitionBit = 1u << 31;

struct PlatformWindow;
using WindowHandle = PlatformWindow*;

struct WindowMessage {
    WindowHandle window = nullptr;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};
