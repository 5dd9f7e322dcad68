// The extraction request against our real UNZIP32.DLL, beside this test, on an
// archive that Python's zipfile made: the installer's options end to end, the
// overwrite question answered on screen, and the files the library leaves.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/unzip_library-win32.h"
#include "runtime/text.h"
#include "tools/driver/dialog_driver-win32.h"
#include "tests/zip/state_reset.h"
#include "tests/zip/test_platform-win32.h"
#include "unzip/listing_line.h"
#include "unzip/zip.h"

namespace {

namespace fs = std::filesystem;
namespace button = dialog_driver::button;

fs::path program_folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

fs::path fixture() { return program_folder() / "fixture"; }

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

/// The files of the archive, by relative name, as they must come out.
std::vector<fs::path> expected_files() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(fixture() / "expected"))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), fixture() / "expected"));
    return files;
}

/// An empty installation folder of its own, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder()
        : path_(fs::temp_directory_path() /
                ("zip-real-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter_++))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

const std::string kOldContent = "contenuto della patch 6\r\n";

class RealLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(fixture() / "catalogo.zip")) << "the archive fixture was not made";
        zip_test::prepare_like_the_update_step();
    }
    void TearDown() override { zip_test::reset_zip_state(); }

    /// The installer's own request, with the boxes answered in order.
    std::vector<dialog_driver::DialogSeen> extract_like_the_installer(std::vector<int> answers,
                                                              const std::wstring& archive) {
        dialog_driver::InProcessDriver answerer(dialog_driver::answer_in_order(std::move(answers)));
        zip::unzip_archive(pump, library, dialogs, archive, target->path().wstring(), 1, 1, 0, 1, 0, 0);
        return answerer.finish();
    }
    std::vector<dialog_driver::DialogSeen> extract_like_the_installer(std::vector<int> answers = {}) {
        return extract_like_the_installer(std::move(answers), (fixture() / "catalogo.zip").wstring());
    }

    void expect_extracted(const fs::path& relative) {
        EXPECT_EQ(read_bytes(target->path() / relative), read_bytes(fixture() / "expected" / relative))
            << relative.string();
    }

    /// The archive's file, or the old content the test left there.
    void expect_content(const fs::path& relative, bool replaced, const char* what) {
        if (replaced) {
            expect_extracted(relative);
        } else {
            EXPECT_EQ(read_bytes(target->path() / relative), kOldContent) << what << ": " << relative.string();
        }
    }

    std::unique_ptr<TemporaryFolder> target = std::make_unique<TemporaryFolder>();
    platform::Win32UnzipLibrary library;
    zip_test::CountingPump pump;
    zip_test::CountingDialogs dialogs;
};

TEST_F(RealLibrary, ExtractsEveryFileIntoAnEmptyFolderWithoutAsking) {
    const std::vector<dialog_driver::DialogSeen> boxes = extract_like_the_installer();
    EXPECT_EQ(zip::unzip_result, 0) << runtime::to_utf8(zip::messages_text.value_or(L""));
    EXPECT_TRUE(boxes.empty());
    const std::vector<fs::path> files = expected_files();
    ASSERT_EQ(files.size(), 5u);
    for (const fs::path& file : files) expect_extracted(file);
    // The library answered the version request through the module's record.
    EXPECT_EQ(zip::unzip_version.structure_length, 64u);
    EXPECT_EQ(pump.calls, 1);
}

TEST_F(RealLibrary, OverwriteQuestionDecidesWhichExistingFilesAreReplaced) {
    struct Case {
        const char* what;
        std::vector<int> answers;
        std::size_t questions;
        bool first_replaced, second_replaced;
    };
    const std::vector<Case> cases = {
        {"Yes replaces this and every further file, asked once", {button::yes}, 1, true, true},
        {"No keeps this file and asks again for the next", {button::no, button::no}, 2, false, false},
        {"No, then Yes", {button::no, button::yes}, 2, false, true},
        {"Cancel keeps every existing file, asked once", {button::cancel}, 1, false, false},
        {"the close button as Cancel", {button::close}, 1, false, false},
    };
    const fs::path first = "leggimi.txt";
    const fs::path second = fs::path("catalogo") / "indice.htm";
    for (const Case& c : cases) {
        zip_test::prepare_like_the_update_step();
        target = std::make_unique<TemporaryFolder>();
        write_bytes(target->path() / first, kOldContent);
        write_bytes(target->path() / second, kOldContent);

        const std::vector<dialog_driver::DialogSeen> boxes = extract_like_the_installer(c.answers);
        EXPECT_EQ(zip::unzip_result, 0) << c.what;
        ASSERT_EQ(boxes.size(), c.questions) << c.what;
        for (const dialog_driver::DialogSeen& box : boxes) {
            EXPECT_EQ(box.title, L"VBUnzip - File already exists") << c.what;
            EXPECT_EQ(box.text.rfind(L"Overwrite ", 0), 0u) << c.what;
            EXPECT_EQ(box.text.back(), L'?') << c.what;
        }
        EXPECT_NE(boxes[0].text.find(L"leggimi.txt"), std::wstring::npos) << c.what;
        if (c.questions > 1) {
            EXPECT_NE(boxes[1].text.find(L"indice.htm"), std::wstring::npos) << c.what;
        }
        expect_content(first, c.first_replaced, c.what);
        expect_content(second, c.second_replaced, c.what);
        // Files that did not exist are written whatever the answers.
        expect_extracted(fs::path("catalogo") / "dati" / "tabella.csv");
        expect_extracted(fs::path("catalogo") / "immagini" / "logo.bin");
    }
}

TEST_F(RealLibrary, ListingOnlyFillsTheListingAndWritesNothing) {
    dialog_driver::InProcessDriver answerer(dialog_driver::answer_in_order({}));
    zip::unzip_archive(pump, library, dialogs, (fixture() / "catalogo.zip").wstring(), target->path().wstring(), 1, 1,
                       1, 1, 0, 0);
    EXPECT_TRUE(answerer.finish().empty());
    EXPECT_EQ(zip::unzip_result, 0);
    EXPECT_TRUE(fs::is_empty(target->path()));
    EXPECT_EQ(zip::listed_files, 5);
    const std::wstring listing = zip::listing_text.value_or(L"");
    ASSERT_EQ(listing.size(), 6u * 82u);
    EXPECT_EQ(listing.substr(0, 82), zip::header_line() + L"\r\n");
    const std::wstring readme = listing.substr(82, 80);
    EXPECT_EQ(readme.substr(0, 50), L"leggimi.txt" + std::wstring(39, L' '));
    EXPECT_EQ(readme.substr(50, 7), L"     28");
    EXPECT_EQ(readme.substr(59, 8), L" 7/12/26");
    EXPECT_EQ(readme.substr(69, 5), L" 9:05");
}

TEST_F(RealLibrary, MissingArchiveGivesANonZeroResultAndNoBox) {
    const std::vector<dialog_driver::DialogSeen> boxes =
        extract_like_the_installer({}, (fixture() / "manca.zip").wstring());
    EXPECT_NE(zip::unzip_result, 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(dialogs.shown, 0);
    EXPECT_TRUE(fs::is_empty(target->path()));
}

}  // namespace
