// What a deployment needs of Windows itself: the log file, libraries looked
// for in the system folder alone, and the paths and facts the log records.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/library-win32.h"
#include "platform/log-win32.h"
#include "platform/process_facts-win32.h"
#include "runtime/run_time_error.h"

namespace {

namespace fs = std::filesystem;

std::string bytes_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(folder);
    }
    const fs::path folder = fs::temp_directory_path() / L"log più già";
    const fs::path file = folder / L"patch 7.log";
};

TEST_F(LogFile, StartsWithTheMarkWritesEachLineAtOnceAndAddsToAnOldLog) {
    {
        platform::Win32FileLog log(file.wstring());
        log.event(L"primo più");
        // Written already, before the log is closed: a killed run keeps it.
        const std::string now = bytes_of(file);
        EXPECT_EQ(now.rfind("\xEF\xBB\xBF", 0), 0u);
        const std::string line = "primo pi\xC3\xB9\r\n";
        EXPECT_EQ(now.size(), 3 + 25 + line.size()) << now;
        EXPECT_EQ(now.substr(now.size() - line.size()), line);
    }
    {
        platform::Win32FileLog again(file.wstring());
        again.event(L"secondo");
    }
    const std::string both = bytes_of(file);
    EXPECT_EQ(both.find("\xEF\xBB\xBF", 1), std::string::npos) << "one mark only";
    EXPECT_NE(both.find("primo pi\xC3\xB9\r\n"), std::string::npos);
    EXPECT_EQ(both.substr(both.size() - 9), "secondo\r\n");
}

TEST_F(LogFile, ALogThatCannotBeCreatedIsARunTimeErrorNamingIt) {
    std::ofstream(file) << "old";
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    for (const fs::path& path : {folder / L"manca" / L"p.log", file}) {
        try {
            platform::Win32FileLog log(path.wstring());
            ADD_FAILURE() << path.string() << " was opened";
        } catch (const runtime::RunTimeError& error) {
            EXPECT_NE(error.description().find(L"Impossibile creare il file di log " + path.wstring()),
                      std::wstring::npos);
        }
    }
    EXPECT_EQ(bytes_of(file), "old");
}

// STKIT432.DLL lies beside this test program and not in the system folder:
// loaded by name, it must not be found.
TEST(LibrarySearch, ALibraryBesideTheProgramIsNotLoadedByName) {
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_FALSE(fs::exists(fs::path(system) / L"STKIT432.DLL")) << "a toolkit left in the system folder";
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    ASSERT_TRUE(fs::exists(fs::path(program).parent_path() / L"STKIT432.DLL"));

    EXPECT_FALSE(platform::try_load_library(L"STKIT432"));
    EXPECT_TRUE(platform::try_load_library(L"kernel32"));
    EXPECT_TRUE(platform::try_load_library((fs::path(program).parent_path() / L"STKIT432.DLL").wstring()));

    // The process-wide setting does the same for what the system loads later.
    {
        const platform::ScopedModule before(LoadLibraryW(L"STKIT432.DLL"));
        EXPECT_TRUE(before) << "this test proves nothing if the program's folder is not searched by default";
    }
    ASSERT_TRUE(platform::limit_library_search());
    EXPECT_FALSE(platform::ScopedModule(LoadLibraryW(L"STKIT432.DLL")));
    EXPECT_TRUE(platform::ScopedModule(LoadLibraryW(L"kernel32.dll")));
    // Back to the default search for the tests after this one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

TEST(ProcessFacts, WhatTheLogRecordsOfTheRun) {
    SetEnvironmentVariableW(L"PROVA_CARTELLA", L"C:\\Prova più");
    EXPECT_EQ(platform::full_path(L"%PROVA_CARTELLA%\\a\\..\\patch 7.log"), L"C:\\Prova più\\patch 7.log");
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(platform::full_path(L"p.log"), (fs::path(current) / L"p.log").wstring());
    SetEnvironmentVariableW(L"PROVA_CARTELLA", nullptr);

    EXPECT_NE(platform::command_line().find(L"windows_tests"), std::wstring::npos);
    EXPECT_NE(platform::account().find(L'\\'), std::wstring::npos) << "DOMAIN\\name";
    EXPECT_EQ(platform::program_version(), L"sconosciuta");  // this program carries no version resource
    EXPECT_NE(platform::system_message(ERROR_PATH_NOT_FOUND).find(L"(codice 3)"), std::wstring::npos);
}

}  // namespace
