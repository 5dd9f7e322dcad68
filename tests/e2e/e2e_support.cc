#include "tests/e2e/e2e_support.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace e2e {

namespace fs = std::filesystem;

const std::string kHistory1To6 =
    "1         01/02/2020\r\n2         01/03/2020\r\n3         01/04/2020\r\n"
    "4         01/05/2020\r\n5         01/06/2020\r\n6         01/07/2020\r\n";

namespace {

fs::path build_folder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return fs::path(exe).parent_path().parent_path();  // bin\..
}

}  // namespace

std::wstring built_delivery() { return (build_folder() / L"delivery").wstring(); }
std::wstring expected_tree() { return (build_folder() / L"e2e-expected").wstring(); }
std::wstring test_archive(const std::wstring& name) { return (build_folder() / L"e2e-archives" / name).wstring(); }
std::wstring long_archive_tree() { return test_archive(L"lungo"); }

std::string read_bytes(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string read_shared(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

bool exists(const std::wstring& path) { return fs::exists(fs::path(path)); }

std::string today() {
    wchar_t date[80];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 80);
    char ansi[160];
    const int bytes = WideCharToMultiByte(CP_ACP, 0, date, n - 1, ansi, sizeof ansi, nullptr, nullptr);
    return std::string(ansi, static_cast<std::size_t>(bytes));
}

std::string patch7_record() { return "7         " + today() + "\r\n"; }

Tree tree_of(const std::wstring& folder) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(folder)))
        tree[fs::relative(entry.path(), folder).wstring()] =
            entry.is_directory() ? "<folder>" : read_bytes(entry.path().wstring());
    return tree;
}

Tree installed(const Tree& before, const std::wstring& reference) {
    Tree after;
    for (const auto& [path, bytes] : before)
        if (path != L"catalogo" && path.rfind(L"catalogo\\", 0) != 0) after[path] = bytes;
    for (const auto& [path, bytes] : tree_of(reference))
        if (path != L".done") after[path] = bytes;
    after[L"patch.txt"] += patch7_record();
    return after;
}

void InstallerTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    base = L"C:\\e2e\\" + std::wstring(name.begin(), name.end());
    install = base + L"\\Catalogo";
    delivery = base + L"\\consegna";
    archive = delivery + L"\\catalogo.zip";
    fixture::remove_tree(base);

    fixture::remove_menu_folder();
    fixture::create_menu_folder();
    set_working_folder(install);

    fixture::Installation installation;
    installation.folder = install;
    installation.patch_txt = kHistory1To6;
    installation.catalogo_files = {{L"vecchio.htm", "old page"}, {L"schede\\vecchia.htm", "old card"}};
    fixture::lay_out_installation(installation);

    std::vector<std::wstring> delivered;
    for (const auto& entry : fs::directory_iterator(fs::path(built_delivery())))
        delivered.push_back(entry.path().wstring());
    fixture::copy_into(delivery, delivered);
}

void InstallerTest::TearDown() {
    fixture::remove_tree(base);
    fixture::remove_menu_folder();
}

void InstallerTest::set_working_folder(const std::wstring& working_folder) {
    fixture::write_shortcut(fixture::shortcut_path(), {L"C:\\windows\\notepad.exe", L"", working_folder, L""});
}

dialog_driver::RunResult InstallerTest::run(dialog_driver::Policy policy, dialog_driver::DriveOptions options) {
    return run_with(L"", std::move(policy), std::move(options));
}

dialog_driver::RunResult InstallerTest::run_with(const std::wstring& arguments, dialog_driver::Policy policy,
                                                 dialog_driver::DriveOptions options) {
    options.timeout = std::chrono::seconds(90);
    auto result =
        dialog_driver::run_and_drive(delivery + L"\\installa_patch.exe", arguments, delivery, policy, options);
    EXPECT_FALSE(result.timed_out) << "the installer did not end";
    return result;
}

}  // namespace e2e
