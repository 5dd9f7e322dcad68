#pragma once
// A catalogue laid out in the Wine prefix, the delivery beside it, and runs of
// the real installer with its message boxes answered.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tools/driver/dialog_driver-win32.h"
#include "tools/fixture/fixture_builder-win32.h"

namespace e2e {

/// The history of a catalogue that has patches 1 to 6.
extern const std::string kHistory1To6;

/// The build's delivery folder (installer, libraries, sample archive) and the
/// sample archive extracted by another tool.
std::wstring built_delivery();
std::wstring expected_tree();
/// An archive of the end-to-end tests (tests/e2e/make_archives.py), and the
/// long one extracted by another tool.
std::wstring test_archive(const std::wstring& name);
std::wstring long_archive_tree();

std::string read_bytes(const std::wstring& path);
/// The bytes of a file that another program holds open, letting it be read.
std::string read_shared(const std::wstring& path);
bool exists(const std::wstring& path);
/// Today's date as the installer writes it (the user's short-date format).
std::string today();
/// The record the installer appends for patch 7 today.
std::string patch7_record();

/// Everything below a folder, by path relative to it: a file's bytes, or
/// "<folder>" for a folder.
using Tree = std::map<std::wstring, std::string>;
Tree tree_of(const std::wstring& folder);
/// An installation folder that held `before`, fully installed from the
/// archive extracted in `reference`: its data folder replaced by the
/// archive's, the archive's other files written, and one record of patch 7
/// more in its history.
Tree installed(const Tree& before, const std::wstring& reference = expected_tree());

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Points the catalogue's shortcut at `working_folder`.
    void set_working_folder(const std::wstring& working_folder);
    /// Runs the delivered installer until it ends, answering with `policy`.
    dialog_driver::RunResult run(dialog_driver::Policy policy = dialog_driver::answer_default(),
                                 dialog_driver::DriveOptions options = {});
    /// The same, with these switches on the installer's command line.
    dialog_driver::RunResult run_with(const std::wstring& arguments,
                                      dialog_driver::Policy policy = dialog_driver::answer_default(),
                                      dialog_driver::DriveOptions options = {});

    std::wstring base;      // everything of this test lives below it
    std::wstring install;   // the catalogue's installation folder
    std::wstring delivery;  // the folder the installer is started from
    std::wstring archive;   // delivery + "\catalogo.zip"
};

}  // namespace e2e
