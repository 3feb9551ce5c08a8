// Vesk2.dll as Windows sees it: its version record and manifest, and the
// wheel forwarding some hosts need, driven with real windows and a real cursor.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeHost.h"
#include "tests/support/LoadedPlugin.h"

using TestSupport::FakeHost;
using TestSupport::LoadedPlugin;

namespace {

std::string versionString(const std::vector<char>& info, const char* key)
{
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return "";
    return value;
}

LRESULT CALLBACK quietProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A top-level window under the cursor whose instance handle is `owner`.
HWND windowUnderCursor(HINSTANCE owner, const char* className)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = quietProc;
    wc.hInstance = owner;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(WS_EX_TOPMOST, className, "wheel", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, nullptr,
                             nullptr, owner, nullptr);
    SetCursorPos(150, 150);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return w;
}

}  // namespace

TEST(Vesk2Dll, CarriesItsVersionRecordAndManifest)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(VESK_PLUGIN_FILE, &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(VESK_PLUGIN_FILE, 0, size, info.data()));
    EXPECT_EQ(versionString(info, "CompanyName"), "Morlenvale");
    EXPECT_EQ(versionString(info, "ProductName"), "Vesk2");
    EXPECT_EQ(versionString(info, "OriginalFilename"), "Vesk2.dll");

    HMODULE dll = LoadLibraryExA(VESK_PLUGIN_FILE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    HRSRC manifest = FindResourceA(dll, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(24));
    EXPECT_NE(manifest, nullptr) << "the DLL's own activation-context manifest";
    FreeLibrary(dll);
}

TEST(Vesk2Dll, ForwardsWheelTurnsOnlyToItsOwnWindows)
{
    FakeHost host;
    LoadedPlugin plugin(VESK_PLUGIN_FILE);
    ASSERT_NE(plugin.open(FakeHost::callback()), nullptr);
    const VstInt32 stCA = vstFourCC('s', 't', 'C', 'A');
    const VstIntPtr whee = vstFourCC('W', 'h', 'e', 'e');

    // Another module's window under the cursor: nothing is posted.
    HWND foreign = windowUnderCursor(GetModuleHandleA(nullptr), "ForeignWheelTarget");
    ASSERT_NE(foreign, nullptr);
    EXPECT_EQ(plugin.call(effVendorSpecific, stCA, whee, nullptr, 1.0f), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, foreign, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE));
    DestroyWindow(foreign);

    // A window that belongs to the plug-in's module gets WM_MOUSEWHEEL with the distance in notches x 120.
    auto module = static_cast<HINSTANCE>(GetModuleHandleA(VESK_PLUGIN_FILE));
    ASSERT_NE(module, nullptr);
    HWND own = windowUnderCursor(module, "OwnWheelTarget");
    ASSERT_NE(own, nullptr);
    POINT cursor;
    GetCursorPos(&cursor);
    ASSERT_EQ(WindowFromPoint(cursor), own) << "the test window must be under the cursor";
    EXPECT_EQ(plugin.call(effVendorSpecific, stCA, whee, nullptr, -2.0f), 1);
    ASSERT_TRUE(PeekMessageA(&msg, own, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE));
    EXPECT_EQ(static_cast<short>(HIWORD(msg.wParam)), -240);
    EXPECT_EQ(static_cast<short>(LOWORD(msg.lParam)), cursor.x);
    EXPECT_EQ(static_cast<short>(HIWORD(msg.lParam)), cursor.y);

    // Wrong index or value: not a wheel turn.
    EXPECT_EQ(plugin.call(effVendorSpecific, stCA, 0, nullptr, 1.0f), 0);
    EXPECT_EQ(plugin.call(effVendorSpecific, 0, whee, nullptr, 1.0f), 0);
    EXPECT_FALSE(PeekMessageA(&msg, own, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE));
    DestroyWindow(own);
    UnregisterClassA("OwnWheelTarget", module);
}
