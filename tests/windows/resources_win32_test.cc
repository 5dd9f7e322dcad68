// What the built binaries carry: the installer's manifest and icon, and the
// version information of every binary we ship or build.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/scoped-win32.h"

namespace {

std::wstring beside_this_program(const std::wstring& name) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::string resource_bytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
}

TEST(InstallerResources, TheManifestAsksForWhatTheInstallerNeeds) {
    platform::ScopedModule installer(
        LoadLibraryExW(beside_this_program(L"installa_patch.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(installer);
    const std::string manifest = resource_bytes(installer.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_FALSE(manifest.empty());
    for (const char* part : {"level=\"requireAdministrator\"", "Microsoft.Windows.Common-Controls",
                             "version=\"6.0.0.0\"", "<dpiAware", ">true</dpiAware>",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

TEST(InstallerResources, TheWindowIconIs64PixelsIn256Colours) {
    platform::ScopedModule installer(
        LoadLibraryExW(beside_this_program(L"installa_patch.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(installer);
    const std::string group = resource_bytes(installer.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_GE(group.size(), 6u + 14u);
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries: width, height,
    // colour count, reserved, planes, bit count, bytes, id.
    EXPECT_EQ(static_cast<unsigned char>(group[6]), 64);
    EXPECT_EQ(static_cast<unsigned char>(group[7]), 64);
    EXPECT_EQ(static_cast<unsigned char>(group[12]), 8);  // bits per pixel: 256 colours
}

struct VersionOf {
    std::wstring file, description_part;
};

class VersionResource : public ::testing::TestWithParam<VersionOf> {};

std::wstring version_string(const std::vector<char>& data, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041004B0\\") + name;
    if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return std::wstring(value, length ? length - 1 : 0);
}

TEST_P(VersionResource, NamesTheProductAndThePatch) {
    const std::wstring path = beside_this_program(GetParam().file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version information in " << std::string(path.begin(), path.end());
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 7u);
    EXPECT_EQ(version_string(data, L"ProductName"), L"Varenkor Catalogo");
    EXPECT_NE(version_string(data, L"FileDescription").find(GetParam().description_part), std::wstring::npos);
    EXPECT_EQ(version_string(data, L"OriginalFilename"), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(EveryBinary, VersionResource,
                         ::testing::Values(VersionOf{L"installa_patch.exe", L"patch 7"},
                                           VersionOf{L"UNZIP32.DLL", L"zip"}, VersionOf{L"zip32.dll", L"zip"},
                                           VersionOf{L"STKIT432.DLL", L"STKIT432"},
                                           VersionOf{L"VB5STKIT.DLL", L"VB5STKIT"},
                                           VersionOf{L"VB6STKIT.DLL", L"VB6STKIT"}));

}  // namespace
