#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/fakes/fakes.h"
#include "tests/zip/state_reset.h"
#include "unzip/listing_line.h"
#include "unzip/zip.h"

namespace {

using runtime::msgbox::answer_cancel;
using runtime::msgbox::answer_no;
using runtime::msgbox::answer_yes;

// Exactly `bytes` in a heap block of their size: AddressSanitizer stops any read
// past the end.
std::vector<char> exact_buffer(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

class ZipCallbacks : public ::testing::Test {
protected:
    void SetUp() override { zip_test::prepare_like_the_update_step(); }
    void TearDown() override { zip_test::reset_zip_state(); }

    static void list(const char* name, std::uint32_t size = 1) {
        zip::message_callback(size, 0, 0, 1, 1, 1, 1, 1, '!', name, "Defl:N", 0, ' ');
    }
};

// --- print_callback ---------------------------------------------------------------

TEST_F(ZipCallbacks, PrintAppendsExactlyTheCollectedBytes) {
    struct Case {
        const char* what;
        std::string buffer;
        std::uint32_t length;
        std::wstring appended;
    };
    const std::vector<Case> cases = {
        {"first byte NUL appends nothing", std::string("\0abc", 4), 4, L""},
        {"length 10 without NUL takes exactly 10", "0123456789", 10, L"0123456789"},
        {"length shorter than the text", "0123456789", 3, L"012"},
        {"NUL before the length", std::string("ab\0cd", 5), 5, L"ab"},
        {"line breaks only as the library sent them", "one\r\ntwo\n", 9, L"one\r\ntwo\n"},
        {"high bytes through the code page", "caf\xE9 \x80", 6, L"caf\u00E9 \u20AC"},
        {"zero length", "abc", 0, L""},
    };
    for (const Case& c : cases) {
        zip::messages_text = L"before|";
        const std::vector<char> buffer = exact_buffer(c.buffer);
        EXPECT_EQ(zip::print_callback(buffer.data(), c.length), 0) << c.what;
        EXPECT_EQ(zip::messages_text, L"before|" + c.appended) << c.what;
    }
}

TEST_F(ZipCallbacks, PrintNeverExaminesMoreThan32001Bytes) {
    const std::vector<char> buffer = exact_buffer(std::string(zip::kPrintBound, 'p'));
    EXPECT_EQ(zip::print_callback(buffer.data(), 40000), 0);
    EXPECT_EQ(zip::messages_text->size(), 32001u);
}

TEST_F(ZipCallbacks, PrintOntoNullTextStartsIt) {
    zip::messages_text.reset();
    zip::print_callback("abc", 3);
    EXPECT_EQ(zip::messages_text, L"abc");
}

TEST_F(ZipCallbacks, PrintWithNullBufferAppendsNothingAndReturnsZero) {
    EXPECT_EQ(zip::print_callback(nullptr, 100), 0);
    EXPECT_EQ(zip::messages_text, L"");
}

// --- replace_callback ---------------------------------------------------------------

TEST_F(ZipCallbacks, ReplaceAsksOnceAndMapsEachAnswer) {
    struct Case {
        const char* what;
        int answer;
        std::int32_t result;
    };
    const std::vector<Case> cases = {
        {"No keeps this file", answer_no, 100},
        {"Yes overwrites this and every further file", answer_yes, 103},
        {"Cancel, Escape or the close button overwrite none", answer_cancel, 104},
    };
    for (const Case& c : cases) {
        fakes::FakeDialogs dialogs;
        dialogs.answers.push_back(c.answer);
        const zip::ScopedDialogs bound(dialogs);
        char name[] = "dati\\indice.htm";
        EXPECT_EQ(zip::replace_callback(name), c.result) << c.what;
        ASSERT_EQ(dialogs.shown.size(), 1u) << c.what;
        EXPECT_EQ(dialogs.shown[0].prompt, L"Overwrite dati\\indice.htm?") << c.what;
        EXPECT_EQ(dialogs.shown[0].title, L"VBUnzip - File already exists") << c.what;
        // Yes/No/Cancel, Yes the default, no icon.
        EXPECT_EQ(dialogs.shown[0].style, 3) << c.what;
    }
}

TEST_F(ZipCallbacks, ReplaceCollectsAtMost256BytesOfTheName) {
    fakes::FakeDialogs dialogs;
    dialogs.answers.push_back(answer_no);
    const zip::ScopedDialogs bound(dialogs);
    std::vector<char> name = exact_buffer(std::string(300, '\xE8'));
    EXPECT_EQ(zip::replace_callback(name.data()), 100);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].prompt, L"Overwrite " + std::wstring(256, L'\u00E8') + L"?");
}

TEST_F(ZipCallbacks, ReplaceWithEmptyName) {
    fakes::FakeDialogs dialogs;
    dialogs.answers.push_back(answer_yes);
    const zip::ScopedDialogs bound(dialogs);
    char name[] = "";
    EXPECT_EQ(zip::replace_callback(name), 103);
    EXPECT_EQ(dialogs.shown.at(0).prompt, L"Overwrite ?");
}

class ThrowingDialogs : public runtime::Dialogs {
public:
    int message_box(const std::wstring&, int, const std::wstring&) override {
        throw runtime::RunTimeError(5, L"the box cannot be shown");
    }
};

TEST_F(ZipCallbacks, ReplaceWhoseQuestionFailsOverwritesNothingAndThrowsNothing) {
    ThrowingDialogs dialogs;
    const zip::ScopedDialogs bound(dialogs);
    char name[] = "a.txt";
    EXPECT_EQ(zip::replace_callback(name), 104);
}

TEST_F(ZipCallbacks, ReplaceOutsideAnExtractionAsksNobody) {
    char name[] = "a.txt";
    EXPECT_EQ(zip::replace_callback(name), 104);
}

TEST_F(ZipCallbacks, DialogsBindingEndsWithItsScopeAndRestoresTheOuterOne) {
    fakes::FakeDialogs outer_dialogs, inner_dialogs;
    outer_dialogs.answers = {answer_no};
    char name[] = "a.txt";
    {
        const zip::ScopedDialogs outer(outer_dialogs);
        {
            inner_dialogs.answers = {answer_yes};
            const zip::ScopedDialogs inner(inner_dialogs);
            EXPECT_EQ(zip::replace_callback(name), 103);
        }
        EXPECT_EQ(zip::replace_callback(name), 100);
    }
    EXPECT_EQ(zip::replace_callback(name), 104);
    EXPECT_EQ(outer_dialogs.shown.size(), 1u);
    EXPECT_EQ(inner_dialogs.shown.size(), 1u);
}

// --- password_callback ----------------------------------------------------------------

TEST_F(ZipCallbacks, PasswordGivesNothingAndShowsNothing) {
    fakes::FakeDialogs dialogs;
    const zip::ScopedDialogs bound(dialogs);
    char password[81];
    std::memset(password, 'k', sizeof password);
    EXPECT_EQ(zip::password_callback(password, sizeof password, "Enter password:", "secret.txt"), 1);
    EXPECT_EQ(std::string(password, sizeof password), std::string(sizeof password, 'k'));
    EXPECT_TRUE(dialogs.shown.empty());
}

// --- message_callback ---------------------------------------------------------------

TEST_F(ZipCallbacks, FirstEntryReplacesTheListingWithHeaderAndLine) {
    zip::listing_text = L"left over from before";
    zip::message_callback(1234, 600, 51, 3, 5, 4, 9, 7, '!', "readme.txt", "Defl:N", 0xDEADBEEF, ' ');
    const std::wstring first = zip::listing_line(L"readme.txt", {1234, 3, 5, 4, 9, 7});
    EXPECT_EQ(zip::listing_text, zip::header_line() + L"\r\n" + first + L"\r\n");
    EXPECT_EQ(zip::listed_files, 1);

    list("dati\\indice.htm", 99);
    EXPECT_EQ(zip::listing_text, zip::header_line() + L"\r\n" + first + L"\r\n" +
                                     zip::listing_line(L"dati\\indice.htm", {99, 1, 1, 1, 1, 1}) + L"\r\n");
    EXPECT_EQ(zip::listed_files, 2);
}

TEST_F(ZipCallbacks, CounterLeftNonZeroAddsNoHeader) {
    zip::listed_files = 5;
    zip::listing_text = L"kept\r\n";
    list("a");
    EXPECT_EQ(zip::listing_text, L"kept\r\n" + zip::listing_line(L"a", {1, 1, 1, 1, 1, 1}) + L"\r\n");
    EXPECT_EQ(zip::listed_files, 6);
}

TEST_F(ZipCallbacks, HostileNamesStayWithinTheirBound) {
    struct Case {
        const char* what;
        std::string name;
        std::wstring shown;
    };
    const std::vector<Case> cases = {
        {"300 bytes without NUL show their first 50", std::string(300, 'n'), std::wstring(50, L'n')},
        {"empty name leaves the column blank", std::string(1, '\0'), std::wstring(50, L' ')},
        {"high bytes through the code page", "\xE9\xE8\xF2\xE0\xF9.txt" + std::string(1, '\0'),
         L"\u00E9\u00E8\u00F2\u00E0\u00F9.txt" + std::wstring(41, L' ')},
    };
    for (const Case& c : cases) {
        zip::listed_files = 1;
        zip::listing_text = L"";
        const std::vector<char> name = exact_buffer(c.name);
        list(name.data());
        ASSERT_EQ(zip::listing_text->size(), 82u) << c.what;
        EXPECT_EQ(zip::listing_text->substr(0, 50), c.shown) << c.what;
    }
}

TEST_F(ZipCallbacks, NullLineBreakJoinsLinesWithNothing) {
    zip::line_break.reset();
    list("a");
    list("b");
    EXPECT_EQ(zip::listing_text, zip::header_line() + zip::listing_line(L"a", {1, 1, 1, 1, 1, 1}) +
                                     zip::listing_line(L"b", {1, 1, 1, 1, 1, 1}));
}

TEST_F(ZipCallbacks, CounterAtItsLimitStaysThereAndTheLineIsStillAdded) {
    zip::listed_files = 2147483647;
    zip::listing_text = L"";
    list("a");
    EXPECT_EQ(zip::listed_files, 2147483647);
    EXPECT_EQ(zip::listing_text->size(), 82u);
}

// A long extraction appends in place: the texts' storage is reallocated a
// logarithmic number of times, never once per call.
TEST_F(ZipCallbacks, LongExtractionsGrowTheTextsInPlace) {
    constexpr int kCalls = 100000;
    int moves = 0;
    const wchar_t* storage = nullptr;
    for (int i = 0; i < kCalls; ++i) {
        zip::print_callback("inflating: dati/pagina.htm\n", 27);
        if (zip::messages_text->data() != storage) ++moves, storage = zip::messages_text->data();
    }
    EXPECT_EQ(zip::messages_text->size(), 27u * kCalls);
    EXPECT_LT(moves, 64);

    moves = 0;
    storage = nullptr;
    for (int i = 0; i < kCalls; ++i) {
        list("dati/pagina.htm");
        if (zip::listing_text->data() != storage) ++moves, storage = zip::listing_text->data();
    }
    EXPECT_EQ(zip::listing_text->size(), 82u * (kCalls + 1));
    EXPECT_LT(moves, 64);
}

}  // namespace
