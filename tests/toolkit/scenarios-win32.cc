// crea_collegamento with the real loader and our real libraries. Each suite
// belongs to one set of libraries in the system folder; run-scenarios.sh puts
// exactly that set there for it.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/scoped-win32.h"
#include "platform/shell-win32.h"
#include "platform/toolkit_libraries-win32.h"
#include "shortcuts/module1.h"
#include "tests/fakes/fakes.h"
#include "tests/toolkit/libraries-win32.h"
#include "tests/toolkit/start_menu-win32.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using toolkit_test::RecordedCall;

const std::vector<std::string> all_probe_names{"STKIT432", "VB5STKIT", "VB6STKIT"};
const std::wstring target = L"C:\\Varenkor\\catalogo.exe";
const std::vector<std::string> four_arguments{"Prova stkit", "Catalogo", "C:\\Varenkor\\catalogo.exe", ""};
const std::vector<std::string> six_arguments{"Prova stkit", "Catalogo", "C:\\Varenkor\\catalogo.exe", "",
                                             "-1",          "$(Programs)"};

/// Form1 over the real libraries, with the probes and calls noted on the way
/// and the libraries' own record of what they received.
class Scenario : public ::testing::Test {
protected:
    explicit Scenario(std::set<std::string> libraries) : libraries_(std::move(libraries)) {}

    void SetUp() override {
        // The scenario only means something in a folder laid out for it.
        ASSERT_EQ(toolkit_test::libraries_in_system_folder(), libraries_);
    }

    bool crea(std::int32_t toolkit) { return form.crea_collegamento(toolkit, group.name(), L"Catalogo", target); }

    std::wstring shortcut() const { return group.folder() + L"\\Catalogo.lnk"; }

    /// The one call the libraries recorded: that library, in the system folder,
    /// with those arguments.
    void expect_one_call(const std::string& library, const std::vector<std::string>& arguments) const {
        const std::vector<RecordedCall> calls = log.calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].library, library);
        EXPECT_EQ(CompareStringOrdinal(calls[0].library_folder.c_str(), -1, toolkit_test::system_folder().c_str(),
                                       -1, TRUE),
                  CSTR_EQUAL);
        EXPECT_EQ(calls[0].arguments, arguments);
    }

    void expect_no_shortcut() const {
        EXPECT_FALSE(toolkit_test::is_folder(group.folder(true)));
        EXPECT_FALSE(toolkit_test::is_folder(group.folder(false)));
    }

    std::set<std::string> libraries_;
    toolkit_test::ScratchGroup group{L"Prova stkit"};
    toolkit_test::CallLog log;
    fakes::FakeOs fake;
    platform::Win32ToolkitLibraries real;
    toolkit_test::RecordingToolkits toolkits{real};
    runtime::Os os{fake.dialogs, fake.events, fake.files, fake.shell, fake.clock, fake.unzip, toolkits};
    Form1 form{os};
};

// --- all three libraries -------------------------------------------------------------

class AllThree : public Scenario {
protected:
    AllThree() : Scenario({"STKIT432.DLL", "VB5STKIT.DLL", "VB6STKIT.DLL"}) {}
};

TEST_F(AllThree, TheProbeChoosesVb6StkitWhichCreatesTheShortcutWithSixArguments) {
    EXPECT_TRUE(crea(0));

    EXPECT_EQ(toolkits.probed, all_probe_names);
    EXPECT_THAT(toolkits.called, ElementsAre("VB6STKIT.DLL"));
    expect_one_call("VB6STKIT.DLL", six_arguments);
    // The private flag puts the group in the user's own Programs folder.
    const auto content = toolkit_test::read_shortcut(shortcut());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->target, target);
    EXPECT_EQ(content->arguments, L"");
    EXPECT_FALSE(toolkit_test::is_folder(group.folder(false)));
    EXPECT_THAT(fake.dialogs.shown, IsEmpty());
    // The installer's own reader finds the working folder the library gave it.
    platform::ScopedComInitialization com;
    platform::Win32Shell shell;
    std::wstring working_folder = L"C:\\Varenkor";
    working_folder += L'\0';
    working_folder.resize(255, L' ');
    EXPECT_EQ(Module1::cartella_lavoro(shell, shortcut()), working_folder);
}

TEST_F(AllThree, TheProbeKeepsNothingLoadedButTheCalledLibraryStays) {
    EXPECT_TRUE(crea(0));
    EXPECT_FALSE(toolkit_test::is_loaded("STKIT432.DLL"));
    EXPECT_FALSE(toolkit_test::is_loaded("VB5STKIT.DLL"));
    EXPECT_TRUE(toolkit_test::is_loaded("VB6STKIT.DLL"));
}

TEST_F(AllThree, AGivenNumberCallsItsLibraryWithItsShapeWithoutProbing) {
    EXPECT_TRUE(crea(4));
    EXPECT_TRUE(crea(5));
    EXPECT_TRUE(crea(6));
    EXPECT_THAT(toolkits.probed, IsEmpty());
    const auto calls = log.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].library, "STKIT432.DLL");
    EXPECT_EQ(calls[0].arguments, four_arguments);
    EXPECT_EQ(calls[1].library, "VB5STKIT.DLL");
    EXPECT_EQ(calls[1].arguments, four_arguments);
    EXPECT_EQ(calls[2].library, "VB6STKIT.DLL");
    EXPECT_EQ(calls[2].arguments, six_arguments);
}

TEST_F(AllThree, NumbersWithoutALibraryNeitherProbeNorCall) {
    EXPECT_FALSE(crea(3));
    EXPECT_FALSE(crea(7));
    EXPECT_THAT(toolkits.probed, IsEmpty());
    EXPECT_THAT(toolkits.called, IsEmpty());
    EXPECT_THAT(log.calls(), IsEmpty());
    expect_no_shortcut();
}

TEST_F(AllThree, ALibraryThatFailsGivesFalse) {
    // A group name that cannot be a folder: the library answers 0.
    EXPECT_FALSE(form.crea_collegamento(6, L"Prova stkit?", L"Catalogo", target));
    EXPECT_FALSE(form.crea_collegamento(4, L"Prova stkit", L"", target));
    EXPECT_EQ(log.calls().size(), 2u);
    expect_no_shortcut();
}

TEST_F(AllThree, TextsReachTheLibrariesInTheAnsiCodePage) {
    EXPECT_TRUE(form.crea_collegamento(0, L"Prova stkit\\Perché", L"Caffè €", L"C:\\Città\\catalogo.exe"));
    const auto calls = log.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments[0], "Prova stkit\\Perch\xE9");
    EXPECT_EQ(calls[0].arguments[1], "Caff\xE8 \x80");
    const auto content = toolkit_test::read_shortcut(group.folder() + L"\\Perché\\Caffè €.lnk");
    ASSERT_TRUE(content);
    EXPECT_EQ(content->target, L"C:\\Città\\catalogo.exe");
}

// --- only STKIT432 ------------------------------------------------------------------

class OnlyFirst : public Scenario {
protected:
    OnlyFirst() : Scenario({"STKIT432.DLL"}) {}
};

TEST_F(OnlyFirst, TheProbeChoosesStkit432WithFourArguments) {
    EXPECT_TRUE(crea(0));
    EXPECT_EQ(toolkits.probed, all_probe_names);
    expect_one_call("STKIT432.DLL", four_arguments);
    const auto content = toolkit_test::read_shortcut(shortcut());
    ASSERT_TRUE(content);
    EXPECT_EQ(content->target, target);
}

TEST_F(OnlyFirst, AGivenNumberWhoseLibraryIsMissingGivesFalseWithoutProbing) {
    EXPECT_FALSE(crea(5));
    EXPECT_FALSE(crea(6));
    EXPECT_THAT(toolkits.probed, IsEmpty());
    EXPECT_THAT(toolkits.called, ElementsAre("VB5STKIT.DLL", "VB6STKIT.DLL"));
    EXPECT_THAT(log.calls(), IsEmpty());
    EXPECT_THAT(fake.dialogs.shown, IsEmpty());
    expect_no_shortcut();
}

// --- only VB5STKIT -------------------------------------------------------------------

class OnlySecond : public Scenario {
protected:
    OnlySecond() : Scenario({"VB5STKIT.DLL"}) {}
};

TEST_F(OnlySecond, TheProbeChoosesVb5StkitWithFourArguments) {
    EXPECT_TRUE(crea(0));
    EXPECT_EQ(toolkits.probed, all_probe_names);
    expect_one_call("VB5STKIT.DLL", four_arguments);
    ASSERT_TRUE(toolkit_test::read_shortcut(shortcut()));
}

// --- none of them ---------------------------------------------------------------------

class NoneOfThem : public Scenario {
protected:
    NoneOfThem() : Scenario({}) {}
};

TEST_F(NoneOfThem, TheProbeFindsNothingAndNothingIsCalled) {
    EXPECT_FALSE(crea(0));
    EXPECT_EQ(toolkits.probed, all_probe_names);
    EXPECT_THAT(toolkits.called, IsEmpty());
    EXPECT_THAT(fake.dialogs.shown, IsEmpty());
    expect_no_shortcut();
}

TEST_F(NoneOfThem, Toolkit5GivenDirectlyGivesFalseWithoutProbing) {
    EXPECT_FALSE(crea(5));
    EXPECT_THAT(toolkits.probed, IsEmpty());
    EXPECT_THAT(toolkits.called, ElementsAre("VB5STKIT.DLL"));
    EXPECT_THAT(fake.dialogs.shown, IsEmpty());
}

// --- a stand-in STKIT432 that answers as told ------------------------------------------

class AnsweringLibrary : public Scenario {
protected:
    AnsweringLibrary() : Scenario({"STKIT432.DLL"}) {}
    ~AnsweringLibrary() override { SetEnvironmentVariableA("STKIT_TEST_ANSWER", nullptr); }
    bool answer_and_crea(const char* answer, std::int32_t toolkit) {
        SetEnvironmentVariableA("STKIT_TEST_ANSWER", answer);
        return crea(toolkit);
    }
};

TEST_F(AnsweringLibrary, AnyNonZeroAnswerIsSuccessAndZeroIsFailure) {
    for (const char* answer : {"1", "42", "-1", "-2147483648"}) {
        EXPECT_TRUE(answer_and_crea(answer, 4)) << answer;
        EXPECT_TRUE(answer_and_crea(answer, 0)) << answer;
    }
    EXPECT_FALSE(answer_and_crea("0", 4));
    EXPECT_FALSE(answer_and_crea("0", 0));
}

// --- shortcuts left for lnkinfo ------------------------------------------------------------

// Writes shortcuts through each library into the group that STKIT_LNKINFO_GROUP
// names, and leaves them there: run-scenarios.sh reads them with lnkinfo and
// then removes the group.
TEST(IndependentReader, LeavesShortcutsFromEachLibrary) {
    char group[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("STKIT_LNKINFO_GROUP", group, MAX_PATH))
        GTEST_SKIP() << "only run-scenarios.sh asks for these shortcuts";
    fakes::FakeOs fake;
    platform::Win32ToolkitLibraries libraries;
    runtime::Os os{fake.dialogs, fake.events, fake.files, fake.shell, fake.clock, fake.unzip, libraries};
    Form1 form{os};
    const std::wstring wide_group(group, group + std::strlen(group));
    EXPECT_TRUE(form.crea_collegamento(4, wide_group, L"Catalogo 4", L"C:\\Varenkor\\catalogo4.exe"));
    EXPECT_TRUE(form.crea_collegamento(5, wide_group, L"Catalogo 5", L"C:\\Varenkor\\catalogo5.exe"));
    EXPECT_TRUE(form.crea_collegamento(6, wide_group, L"Catalogo 6", L"C:\\Varenkor\\catalogo6.exe"));
    EXPECT_EQ(libraries.create_shell_link("STKIT432.DLL", group, "Con argomenti", "C:\\Varenkor\\catalogo.exe",
                                          "/aggiorna 7"),
              1);
}

}  // namespace
