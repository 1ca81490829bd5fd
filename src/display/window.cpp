// SPDX-License-Identifier: MIT
#include "display/window.h"

#include "display/key_state_table.h"

WindowOwner createMainWindow(int x, int y, int width, int height)
{
    initWindowSystem();
    // There is no window class to register here; the window is made directly.
    WindowOwner window = createPopupWindow(kWindowTitle, x, y, width, height);
    showWindow(window.get());
    hideCursor();
    return window;
}

std::intptr_t windowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        postMessage({nullptr, WM_QUIT, 0, 0});
        return 0;
    case WM_CLOSE:
        // Absorbed: only Escape or the end of the frames stop the player.
        return 0;
    case WM_QUIT:
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
        const auto bits = static_cast<std::uint32_t>(lParam);
        // The extended-key bit is not part of the index: right Ctrl shares left Ctrl's entry.
        const auto scan_code = static_cast<std::uint8_t>(bits >> kScanCodeShift);
        keyStateTable[scan_code] = (bits & kTransitionBit) ? 0 : 1;
        return 0;
    }
    case WM_MOUSEMOVE:
        return 1;
    default:
        return defWindowProc(window, message, wParam, lParam);
    }
}

int pumpMessages()
{
    WindowMessage message;
    while (peekMessage(message)) windowProc(message.window, message.message, message.wParam, message.lParam);
    return 0;
}
