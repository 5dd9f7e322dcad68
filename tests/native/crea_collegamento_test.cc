#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/form1.h"
#include "runtime/run_time_error.h"
#include "tests/fakes/fakes.h"

namespace {

using Call = std::vector<std::string>;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::vector<std::string> all_probe_names{"STKIT432", "VB5STKIT", "VB6STKIT"};

/// The fake libraries, also recording each probe and able to fail a call the
/// way a library that cannot be bound fails.
class ProbedToolkits : public fakes::FakeToolkitLibraries {
public:
    bool probe(const std::string& name) override {
        probed.push_back(name);
        if (probe_error) throw *probe_error;
        return FakeToolkitLibraries::probe(name);
    }
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments) override {
        if (call_error) throw *call_error;
        return FakeToolkitLibraries::create_shell_link(library, group, name, target, arguments);
    }
    std::int32_t create_shell_link(const std::string& library, const std::string& group, const std::string& name,
                                   const std::string& target, const std::string& arguments,
                                   std::int32_t private_flag, const std::string& parent) override {
        if (call_error) throw *call_error;
        if (end_program) throw runtime::EndProgram{runtime::exit_code::failed};
        return FakeToolkitLibraries::create_shell_link(library, group, name, target, arguments, private_flag,
                                                       parent);
    }

    std::vector<std::string> probed;
    std::optional<runtime::RunTimeError> probe_error, call_error;
    bool end_program = false;
};

class CreaCollegamento : public ::testing::Test {
protected:
    bool crea(std::int32_t toolkit, std::wstring group = L"Varenkor", std::wstring name = L"Catalogo",
              std::wstring target = L"C:\\Varenkor\\catalogo.exe") {
        return form.crea_collegamento(toolkit, std::move(group), std::move(name), std::move(target));
    }

    fakes::FakeOs fake;
    ProbedToolkits toolkits;
    runtime::Os os{fake.dialogs, fake.events, fake.files, fake.shell, fake.clock, fake.unzip, toolkits};
    Form1 form{os};
};

Call four_arguments(const std::string& library) {
    return {library, "Varenkor", "Catalogo", "C:\\Varenkor\\catalogo.exe", ""};
}
Call six_arguments() {
    return {"VB6STKIT.DLL", "Varenkor", "Catalogo", "C:\\Varenkor\\catalogo.exe", "", "-1", "$(Programs)"};
}

// --- the probe -----------------------------------------------------------------

struct ProbeCase {
    std::set<std::string> present;
    std::optional<Call> expected_call;
};

class CreaCollegamentoProbe : public CreaCollegamento, public ::testing::WithParamInterface<ProbeCase> {};

TEST_P(CreaCollegamentoProbe, TriesAllThreeInOrderAndTheLastThatLoadsIsCalled) {
    toolkits.present = GetParam().present;
    const bool created = crea(0);

    EXPECT_EQ(toolkits.probed, all_probe_names);
    if (GetParam().expected_call) {
        EXPECT_TRUE(created);
        EXPECT_THAT(toolkits.calls, ElementsAre(*GetParam().expected_call));
    } else {
        EXPECT_FALSE(created);
        EXPECT_THAT(toolkits.calls, IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    LibrariesPresent, CreaCollegamentoProbe,
    ::testing::Values(ProbeCase{{"STKIT432", "VB5STKIT", "VB6STKIT"}, six_arguments()},
                      ProbeCase{{"STKIT432"}, four_arguments("STKIT432.DLL")},
                      ProbeCase{{"VB5STKIT"}, four_arguments("VB5STKIT.DLL")},
                      ProbeCase{{"VB6STKIT"}, six_arguments()},
                      ProbeCase{{"STKIT432", "VB5STKIT"}, four_arguments("VB5STKIT.DLL")},
                      ProbeCase{{"STKIT432", "VB6STKIT"}, six_arguments()},
                      ProbeCase{{}, std::nullopt}));

TEST_F(CreaCollegamento, ProbesAgainOnEveryCallWithToolkitZero) {
    toolkits.present = {"STKIT432"};
    EXPECT_TRUE(crea(0));
    toolkits.present = {"VB5STKIT"};
    EXPECT_TRUE(crea(0));

    EXPECT_EQ(toolkits.probed.size(), 6u);
    EXPECT_THAT(toolkits.calls, ElementsAre(four_arguments("STKIT432.DLL"), four_arguments("VB5STKIT.DLL")));
}

// --- toolkit given by number ---------------------------------------------------------

TEST_F(CreaCollegamento, AGivenNumberCallsItsLibraryWithoutProbing) {
    toolkits.present = {};  // the probe would find nothing; it must not matter
    EXPECT_TRUE(crea(4));
    EXPECT_TRUE(crea(5));
    EXPECT_TRUE(crea(6));

    EXPECT_THAT(toolkits.probed, IsEmpty());
    EXPECT_THAT(toolkits.calls,
                ElementsAre(four_arguments("STKIT432.DLL"), four_arguments("VB5STKIT.DLL"), six_arguments()));
}

TEST_F(CreaCollegamento, OtherNumbersNeitherProbeNorCall) {
    toolkits.present = {"STKIT432", "VB5STKIT", "VB6STKIT"};
    for (std::int32_t toolkit : {3, 7, 1, -1, 46, std::numeric_limits<std::int32_t>::min()})
        EXPECT_FALSE(crea(toolkit)) << toolkit;

    EXPECT_THAT(toolkits.probed, IsEmpty());
    EXPECT_THAT(toolkits.calls, IsEmpty());
}

TEST_F(CreaCollegamento, TextsReachTheLibraryInTheAnsiCodePage) {
    EXPECT_TRUE(crea(6, L"Varenkor Perché", L"Catalogo € \u4E2D", L"C:\\Città\\catalogo.exe"));
    ASSERT_EQ(toolkits.calls.size(), 1u);
    EXPECT_EQ(toolkits.calls[0][1], "Varenkor Perch\xE9");
    EXPECT_EQ(toolkits.calls[0][2], "Catalogo \x80 ?");
    EXPECT_EQ(toolkits.calls[0][3], "C:\\Citt\xE0\\catalogo.exe");
}

// --- the result ------------------------------------------------------------------

TEST_F(CreaCollegamento, AnyNonZeroReturnIsSuccessAndZeroIsFailure) {
    for (std::int32_t answer : {1, -1, 42, std::numeric_limits<std::int32_t>::min()}) {
        toolkits.result = answer;
        EXPECT_TRUE(crea(4)) << answer;
        EXPECT_TRUE(crea(6)) << answer;
    }
    toolkits.result = 0;
    EXPECT_FALSE(crea(5));
    EXPECT_FALSE(crea(6));
}

// --- errors --------------------------------------------------------------------------

TEST_F(CreaCollegamento, ALibraryThatCannotBeBoundGivesFalseAndShowsNothing) {
    namespace err = runtime::error_number;
    for (int number : {err::file_not_found, err::dll_load_failed, err::dll_entry_not_found}) {
        toolkits.call_error = runtime::RunTimeError(number, L"VB5STKIT.DLL");
        EXPECT_FALSE(crea(5)) << number;
        EXPECT_FALSE(crea(6)) << number;
    }
    EXPECT_THAT(fake.dialogs.shown, IsEmpty());
}

TEST_F(CreaCollegamento, AnErrorDuringTheProbeIsTrappedToo) {
    toolkits.probe_error = runtime::RunTimeError(runtime::error_number::dll_load_failed, L"STKIT432");
    EXPECT_FALSE(crea(0));
    EXPECT_THAT(toolkits.calls, IsEmpty());
}

TEST_F(CreaCollegamento, TheEndOfTheProgramIsNotTrapped) {
    toolkits.end_program = true;
    EXPECT_THROW(crea(6), runtime::EndProgram);
}

}  // namespace
