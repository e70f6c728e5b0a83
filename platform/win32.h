// The one door to the operating system: the SDK headers, with the macros the
// program builds with. Nothing above platform/ includes an SDK header itself.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// <windows.h> before these, which build on its types.
#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <urlhist.h>
#include <uxtheme.h>
#include <wininet.h>
#include <winternl.h>
