// The extraction request against a recording unzip32.dll of ours, found beside
// this test by the normal library search: what reaches the library through the
// real ABI, and what the callbacks do with the buffers it chooses.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/unzip_library-win32.h"
#include "runtime/text.h"
#include "tools/driver/dialog_driver-win32.h"
#include "tests/zip/recording/recording_protocol.h"
#include "tests/zip/state_reset.h"
#include "tests/zip/test_platform-win32.h"
#include "unzip/listing_line.h"
#include "unzip/zip.h"

namespace {

using runtime::RunTimeError;
namespace button = dialog_driver::button;

std::wstring module_folder(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().wstring();
}

/// Bytes placed right before a page the process may not touch: reading one
/// byte past them crashes the test.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes) {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        const std::size_t page = system.dwPageSize;
        const std::size_t usable = (bytes.size() + page - 1) / page * page;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, usable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + usable, page, PAGE_NOACCESS, &old);
        data_ = base_ + usable - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    char* data() const { return data_; }

private:
    char* base_ = nullptr;
    char* data_ = nullptr;
};

/// The recording library as this test reaches it: loaded once more for the
/// test's own calls (its script and its record), freed when the test ends.
class Recorder {
public:
    /// A fresh recorder forgets what the library received before.
    explicit Recorder(bool fresh = true) : module_(LoadLibraryW(L"unzip32.dll")) {
        if (!module_) throw std::runtime_error("the recording unzip32.dll is not beside the test");
        reset_ = entry<RecordingReset>("recording_reset");
        set_script_ = entry<RecordingSetScript>("recording_set_script");
        get_ = entry<RecordingGet>("recording_get");
        if (fresh) reset_();
    }
    ~Recorder() { reset_(); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void use(recording::Script& script) { set_script_(&script); }
    recording::Record record() const {
        recording::Record r;
        get_(&r);
        return r;
    }
    HMODULE module() const { return module_.get(); }

private:
    template <typename Entry>
    Entry entry(const char* name) {
        const FARPROC address = GetProcAddress(module_.get(), name);
        if (address == nullptr) throw std::runtime_error(std::string("the recording library lacks ") + name);
        return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(address));
    }

    platform::ScopedModule module_;
    RecordingReset reset_ = nullptr;
    RecordingSetScript set_script_ = nullptr;
    RecordingGet get_ = nullptr;
};

recording::Step replace_step(const char* name) {
    recording::Step step;
    step.kind = recording::replace;
    step.text = name;
    return step;
}

class RecordingLibrary : public ::testing::Test {
protected:
    void SetUp() override { zip_test::prepare_like_the_update_step(); }
    void TearDown() override { zip_test::reset_zip_state(); }

    void extract_like_the_installer(runtime::UnzipLibrary& library) {
        zip::unzip_archive(pump, library, dialogs, L"D:\\consegna\\catalogo.zip", L"C:\\Programmi\\Varenkor Catalogo",
                           1, 1, 0, 1, 0, 0);
    }

    zip_test::CountingPump pump;
    zip_test::CountingDialogs dialogs;
};

TEST_F(RecordingLibrary, IsBoundOnTheFirstCallFromTheProgramsFolderAndFreedWithItsOwner) {
    ASSERT_EQ(GetModuleHandleW(L"unzip32.dll"), nullptr);
    {
        platform::Win32UnzipLibrary library;
        EXPECT_EQ(GetModuleHandleW(L"unzip32.dll"), nullptr) << "bound before the first call";
        extract_like_the_installer(library);
        const HMODULE bound = GetModuleHandleW(L"unzip32.dll");
        ASSERT_NE(bound, nullptr);
        EXPECT_EQ(module_folder(bound), module_folder(nullptr));
        Recorder recorder(false);
        EXPECT_EQ(recorder.record().version_calls, 1);
        EXPECT_EQ(recorder.record().unzip_calls, 1);
    }
    EXPECT_EQ(GetModuleHandleW(L"unzip32.dll"), nullptr);
}

TEST_F(RecordingLibrary, ReceivesTheInstallersRequestExactly) {
    Recorder recorder;
    platform::Win32UnzipLibrary library;
    extract_like_the_installer(library);
    const recording::Record r = recorder.record();

    const int32_t expected_switches[15] = {0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(r.options[i], expected_switches[i]) << "option " << i + 1;
    ASSERT_TRUE(r.archive_present && r.folder_present);
    EXPECT_STREQ(r.archive, "D:\\consegna\\catalogo.zip");
    EXPECT_STREQ(r.folder, "C:\\Programmi\\Varenkor Catalogo");
    EXPECT_EQ(r.include_count, 0);
    EXPECT_EQ(r.exclude_count, 0);
    EXPECT_TRUE(r.include_list_present && r.exclude_list_present);
    EXPECT_EQ(r.include_null_entries, 100);
    EXPECT_EQ(r.exclude_null_entries, 100);
    const int32_t expected_callbacks[6] = {1, 0, 1, 1, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.callbacks_set[i], expected_callbacks[i]) << "callback " << i + 1;

    std::uint32_t length = 0;
    std::memcpy(&length, r.version_bytes, 4);
    EXPECT_EQ(length, 64u);
    const std::string texts(reinterpret_cast<const char*>(r.version_bytes) + 8, 40);
    EXPECT_EQ(texts, std::string(9, ' ') + '\0' + std::string(19, ' ') + '\0' + std::string(9, ' ') + '\0');
    EXPECT_EQ(zip::unzip_result, 0);
    EXPECT_EQ(dialogs.shown, 0);
}

TEST_F(RecordingLibrary, ResultAndWhatTheLibraryWroteComeBack) {
    Recorder recorder;
    recording::Script script;
    script.result = 81;
    script.write_back = 1;
    recorder.use(script);
    platform::Win32UnzipLibrary library;
    extract_like_the_installer(library);
    EXPECT_EQ(zip::unzip_result, 81);
    EXPECT_EQ(zip::unzip_options.quiet, 2);
    EXPECT_EQ(zip::unzip_version.beta_level, std::wstring(L"recorder\0\0", 10));
    EXPECT_EQ(zip::unzip_version.windll.minor, 0);
    EXPECT_EQ(zip::unzip_version.windll.patch_level, 1);
    EXPECT_EQ(zip::unzip_callbacks.number_of_members, 0u);
    EXPECT_EQ(dialogs.shown, 0);
}

TEST_F(RecordingLibrary, SecondCallWithOtherOptionsKeepsNothingOfTheFirst) {
    Recorder recorder;
    recording::Script script;
    script.result = 3;
    script.write_back = 1;
    recorder.use(script);
    platform::Win32UnzipLibrary library;
    extract_like_the_installer(library);
    ASSERT_EQ(zip::unzip_result, 3);

    script.result = 0;
    zip::unzip_archive(pump, library, dialogs, L"E:\\altro.zip", L"E:\\uscita", 0, 0, -1, 0, 0, 0);
    const recording::Record r = recorder.record();
    EXPECT_EQ(r.unzip_calls, 2);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(r.options[i], i == 6 ? -1 : 0) << "option " << i + 1;
    EXPECT_STREQ(r.archive, "E:\\altro.zip");
    EXPECT_STREQ(r.folder, "E:\\uscita");
    // The version record is prepared afresh too, whatever the library wrote before.
    const std::string texts(reinterpret_cast<const char*>(r.version_bytes) + 8, 40);
    EXPECT_EQ(texts, std::string(9, ' ') + '\0' + std::string(19, ' ') + '\0' + std::string(9, ' ') + '\0');
    EXPECT_EQ(zip::unzip_result, 0);
}

TEST_F(RecordingLibrary, CallbacksTakeTheLibrarysBuffersWithinTheirBounds) {
    Recorder recorder;
    // Buffers without a NUL, ending right at a page nobody may read.
    const GuardedBytes long_print(std::string(zip::kPrintBound, 'p'));
    const GuardedBytes accented_print("caf\xE9 \x80\r\n");
    const GuardedBytes long_name(std::string(zip::kNameBound, '\xE8'));
    const GuardedBytes empty_name(std::string(1, '\0'));
    char password[32];
    std::memset(password, 'k', sizeof password);

    recording::Script script;
    recording::Step& s0 = script.steps[0];
    s0.kind = recording::print;
    s0.text = long_print.data();
    s0.length = 40000;
    recording::Step& s1 = script.steps[1];
    s1.kind = recording::print;
    s1.text = accented_print.data();
    s1.length = 8;
    recording::Step& s2 = script.steps[2];
    s2.kind = recording::message;
    s2.text = long_name.data();
    s2.method = "Defl:N";
    const uint32_t parameters[13] = {1234, 600, 51, 3, 5, 4, 9, 7, '!', 0, 0, 0xDEADBEEF, ' '};
    std::memcpy(s2.message_parameters, parameters, sizeof parameters);
    recording::Step& s3 = script.steps[3];
    s3 = s2;
    s3.text = empty_name.data();
    s3.message_parameters[0] = 12345678;
    s3.message_parameters[5] = 2004;
    recording::Step& s4 = script.steps[4];
    s4.kind = recording::password;
    s4.text = "Enter password:";
    s4.password_buffer = password;
    s4.password_size = sizeof password;
    s4.password_entry = "segreto.txt";
    script.step_count = 5;
    recorder.use(script);

    platform::Win32UnzipLibrary library;
    extract_like_the_installer(library);

    EXPECT_EQ(script.steps[0].returned, 0);
    EXPECT_EQ(script.steps[1].returned, 0);
    EXPECT_EQ(zip::messages_text, std::wstring(32001, L'p') + L"caf\u00E9 \u20AC\r\n");
    EXPECT_EQ(zip::listed_files, 2);
    EXPECT_EQ(zip::listing_text, zip::header_line() + L"\r\n" +
                                     std::wstring(50, L'\u00E8') + L"   1234   5/03/04   9:07      \r\n" +
                                     std::wstring(50, L' ') + L"2345678   5/03/04   9:07      \r\n");
    EXPECT_EQ(script.steps[4].returned, 1);
    EXPECT_EQ(std::string(password, sizeof password), std::string(sizeof password, 'k'));
    EXPECT_EQ(dialogs.shown, 0);
}

TEST_F(RecordingLibrary, OverwriteQuestionAnsweredByTheUser) {
    struct Case {
        const char* what;
        int answer;
        int32_t code;
    };
    const Case cases[] = {
        {"Yes", button::yes, 103},           {"No", button::no, 100},
        {"Cancel", button::cancel, 104},     {"the close button", button::close, 104},
    };
    for (const Case& c : cases) {
        zip_test::prepare_like_the_update_step();
        Recorder recorder;
        recording::Script script;
        const GuardedBytes name("dati\\indice.htm" + std::string(1, '\0'));
        script.steps[0] = replace_step(name.data());
        script.step_count = 1;
        recorder.use(script);
        platform::Win32UnzipLibrary library;
        dialog_driver::InProcessDriver answerer(dialog_driver::answer_in_order({c.answer}));
        extract_like_the_installer(library);
        const std::vector<dialog_driver::DialogSeen> boxes = answerer.finish();

        EXPECT_EQ(script.steps[0].returned, c.code) << c.what;
        ASSERT_EQ(boxes.size(), 1u) << c.what;
        EXPECT_EQ(boxes[0].title, L"VBUnzip - File already exists") << c.what;
        EXPECT_EQ(boxes[0].text, L"Overwrite dati\\indice.htm?") << c.what;
        EXPECT_EQ(boxes[0].icon, dialog_driver::DialogIcon::none) << c.what;
        ASSERT_EQ(boxes[0].buttons.size(), 3u) << c.what;
        for (const dialog_driver::DialogButton& button : boxes[0].buttons)
            EXPECT_EQ(button.is_default, button.id == IDYES) << c.what << ": button " << button.id;
        EXPECT_EQ(boxes[0].buttons[0].id, IDYES) << c.what;
        EXPECT_EQ(boxes[0].buttons[1].id, IDNO) << c.what;
        EXPECT_EQ(boxes[0].buttons[2].id, IDCANCEL) << c.what;
    }
}

TEST_F(RecordingLibrary, OverwriteQuestionShowsHighBytesAsTheirCharactersAndStopsAtTheBound) {
    Recorder recorder;
    recording::Script script;
    const GuardedBytes name("perch\xE9" + std::string(250, '_'));  // 256 bytes, no NUL
    script.steps[0] = replace_step(name.data());
    script.step_count = 1;
    recorder.use(script);
    platform::Win32UnzipLibrary library;
    dialog_driver::InProcessDriver answerer(dialog_driver::answer_in_order({button::no}));
    extract_like_the_installer(library);
    const std::vector<dialog_driver::DialogSeen> boxes = answerer.finish();
    EXPECT_EQ(script.steps[0].returned, 100);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Overwrite perch\u00E9" + std::wstring(250, L'_') + L"?");
}

TEST(UnboundLibrary, RaisesTheMatchingRunTimeErrorAndKeepsTheResult) {
    const std::filesystem::path broken =
        std::filesystem::temp_directory_path() / ("broken_unzip32_" + std::to_string(GetCurrentProcessId()) + ".dll");
    std::ofstream(broken) << "not a library";
    struct Case {
        std::wstring library;
        int number;
        std::wstring named;
    };
    const Case cases[] = {
        {L"missing_unzip32.dll", 53, L"missing_unzip32.dll"},
        {broken.wstring(), 48, broken.wstring()},
        {L"kernel32.dll", 453, L"UzpVersion2"},
    };
    for (const Case& c : cases) {
        zip_test::prepare_like_the_update_step();
        zip::unzip_result = 42;
        platform::Win32UnzipLibrary library(c.library);
        zip_test::CountingPump pump;
        zip_test::CountingDialogs dialogs;
        try {
            zip::unzip_archive(pump, library, dialogs, L"a.zip", L"out", 1, 1, 0, 1, 0, 0);
            ADD_FAILURE() << runtime::to_utf8(c.library) << ": no error";
        } catch (const RunTimeError& e) {
            EXPECT_EQ(e.number(), c.number) << runtime::to_utf8(c.library);
            EXPECT_NE(e.description().find(c.named), std::wstring::npos) << runtime::to_utf8(e.description());
        }
        EXPECT_EQ(zip::unzip_result, 42) << runtime::to_utf8(c.library);
        EXPECT_EQ(pump.calls, 1);
    }
    std::filesystem::remove(broken);
    zip_test::reset_zip_state();
}

}  // namespace
