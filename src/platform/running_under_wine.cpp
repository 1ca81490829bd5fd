// SPDX-License-Identifier: MIT
#include "platform/running_under_wine.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool runningUnderWine()
{
#ifdef _WIN32
    // Wine's own ntdll says its version; Windows' has no such function.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}
