// The whole activation sequence against the fakes: what is copied, asked,
// recorded, deleted and extracted, and what the user is told.
#include <gtest/gtest.h>

#include "app/form1.h"
#include "app/run_to_end.h"
#include "runtime/text.h"
#include "tests/fakes/fakes.h"
#include "unzip/zip.h"

namespace {

using runtime::msgbox::critical;
using runtime::msgbox::information;

const std::string kHistory1To6 =
    "1         01/02/2020\r\n2         01/03/2020\r\n3         01/04/2020\r\n"
    "4         01/05/2020\r\n5         01/06/2020\r\n6         01/07/2020\r\n";

class PatchRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fake.files.root();
        fake.shell.windows = root + L"\\windows";
        fake.shell.application = root + L"\\consegna";
        fake.shell.programs = root + L"\\Programs";
        fake.files.make_folder(fake.shell.windows + L"\\system32");
        fake.files.put(fake.shell.application + L"\\zip32.dll", "zip32 library");
        fake.files.put(fake.shell.application + L"\\UNZIP32.DLL", "unzip32 library");
        fake.files.put(archive(), "PK archive");
        fake.files.make_folder(fake.shell.programs + L"\\Varenkor Catalogo");
        set_working_folder(root + L"\\Catalogo");
        install = root + L"\\Catalogo";
        fake.files.put(install + L"\\patch.txt", kHistory1To6);
        fake.files.put(install + L"\\catalogo\\vecchio.htm", "old");
    }

    void set_working_folder(const std::wstring& folder) {
        fakes::FakeShortcut shortcut;
        shortcut.working_folder = runtime::to_ansi(folder);
        fake.shell.shortcuts[shortcut_path()] = shortcut;
    }
    std::wstring shortcut_path() const {
        return fake.shell.programs + L"\\Varenkor Catalogo\\Varenkor Catalogo.lnk";
    }
    std::wstring archive() const { return fake.shell.application + L"\\catalogo.zip"; }

    void run() {
        Form1 form(fake.os);
        run_to_end(form, fake.dialogs);
    }
    const std::vector<fakes::ShownMessage>& shown() const { return fake.dialogs.shown; }

    fakes::FakeOs fake;
    std::wstring root, install;
};

TEST_F(PatchRun, InstallsThePatchAndSaysSo) {
    run();
    EXPECT_EQ(fake.files.get(fake.shell.windows + L"\\system32\\zip32.dll"), "zip32 library");
    EXPECT_EQ(fake.files.get(fake.shell.windows + L"\\system32\\UNZIP32.DLL"), "unzip32 library");
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    EXPECT_FALSE(fake.files.exists(install + L"\\catalogo"));
    EXPECT_FALSE(fake.files.exists(archive()));

    ASSERT_EQ(fake.unzip.unzip_calls, 1);
    EXPECT_EQ(fake.unzip.last_archive, runtime::to_ansi(archive()));
    EXPECT_EQ(fake.unzip.last_folder, runtime::to_ansi(install));
    EXPECT_EQ(fake.unzip.last_options.prompt_to_overwrite, 1);
    EXPECT_EQ(fake.unzip.last_options.always_overwrite, 1);
    EXPECT_EQ(fake.unzip.last_options.list_only, 0);
    EXPECT_EQ(fake.unzip.last_options.recreate_folders, 1);
    EXPECT_EQ(zip::line_break, L"\r\n");

    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Patch installata con successo!");
    EXPECT_EQ(shown()[0].style, information);
    EXPECT_EQ(shown()[0].title, L"Dravimex");
}

TEST_F(PatchRun, RepairsTheKnownPathDefect) {
    set_working_folder(root + L"\\VarenkorCatalogoprogetto_html");
    install = root + L"\\VarenkorCatalogo\\progetto_html";
    fake.files.put(install + L"\\patch.txt", kHistory1To6);
    run();
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    EXPECT_EQ(fake.unzip.last_folder, runtime::to_ansi(install));
}

TEST_F(PatchRun, WithoutTheMenuFolderRefusesAfterCopyingTheLibraries) {
    fake.files.delete_folder(fake.shell.programs + L"\\Varenkor Catalogo");
    run();
    EXPECT_TRUE(fake.files.exists(fake.shell.windows + L"\\system32\\UNZIP32.DLL"));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Non hai installato il catalogo. La patch non può essere creata");
    EXPECT_EQ(shown()[0].style, critical);
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_EQ(fake.unzip.unzip_calls, 0);
}

TEST_F(PatchRun, AMissingLibraryStopsBeforeTheCatalogueIsLookedFor) {
    fake.files.delete_file(fake.shell.application + L"\\zip32.dll");
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt.rfind(L"Errore di run-time '53'", 0), 0u);
    EXPECT_NE(shown()[0].prompt.find(L"zip32.dll"), std::wstring::npos);
    EXPECT_TRUE(fake.shell.calls.empty());
    EXPECT_FALSE(fake.files.exists(fake.shell.windows + L"\\system32\\UNZIP32.DLL"));
}

TEST_F(PatchRun, AMissingShortcutChangesNothing) {
    fake.shell.shortcuts.clear();
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].prompt.find(L"cartella di installazione del catalogo"), std::wstring::npos);
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_TRUE(fake.files.exists(install + L"\\catalogo\\vecchio.htm"));
    EXPECT_EQ(fake.unzip.unzip_calls, 0);
}

TEST_F(PatchRun, AnEmptyWorkingFolderIsNeverUsed) {
    set_working_folder(L"");
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].prompt.find(L"cartella di installazione del catalogo"), std::wstring::npos);
    EXPECT_EQ(fake.unzip.unzip_calls, 0);
}

TEST_F(PatchRun, AHistoryRefusalEndsWithoutTouchingTheCatalogue) {
    fake.files.put(install + L"\\patch.txt", "5         01/06/2020\r\n");
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt,
              L"Non puoi installare questa patch perché devi prima installare la patch n. 6");
    EXPECT_TRUE(fake.files.exists(install + L"\\catalogo\\vecchio.htm"));
    EXPECT_TRUE(fake.files.exists(archive()));
    EXPECT_EQ(fake.unzip.unzip_calls, 0);
}

TEST_F(PatchRun, AFailedExtractionTakesTheRecordBackAndCanBeRunAgain) {
    const std::string unterminated = "1         01/02/2020\r\n6         01/07/2020";
    fake.files.put(install + L"\\patch.txt", unterminated);
    fake.unzip.result = 11;
    run();
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), unterminated);
    EXPECT_TRUE(fake.files.exists(archive()));
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].style, critical);
    EXPECT_EQ(shown()[0].prompt.rfind(L"La patch non è stata installata.", 0), 0u);
    EXPECT_NE(shown()[0].prompt.find(L"codice 11"), std::wstring::npos);

    fake.unzip.result = 0;
    fake.dialogs.shown.clear();
    run();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt, L"Patch installata con successo!");
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), unterminated + "\r\n7         07/12/2026\r\n");
}

TEST_F(PatchRun, ALibraryThatCannotBeBoundIsAFailedUpdate) {
    fake.unzip.bind_error = runtime::RunTimeError(453, L"Punto di ingresso Wiz_SingleEntryUnzip non trovato in unzip32.dll");
    zip::unzip_result = 42;
    run();
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_TRUE(fake.files.exists(archive()));
    EXPECT_EQ(zip::unzip_result, 42);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_NE(shown()[0].prompt.find(L"Wiz_SingleEntryUnzip"), std::wstring::npos);
    zip::unzip_result = 0;
}

TEST_F(PatchRun, AReadOnlyDataFileIsAFailedUpdate) {
    fake.files.set_attributes(install + L"\\catalogo\\vecchio.htm", runtime::attribute::read_only);
    run();
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6);
    EXPECT_EQ(fake.unzip.unzip_calls, 0);
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].style, critical);
    EXPECT_NE(shown()[0].prompt.find(L"catalogo"), std::wstring::npos);
}

TEST_F(PatchRun, AnArchiveThatCannotBeDeletedKeepsTheRecord) {
    fake.files.fail("delete_file", archive(), 70);
    run();
    EXPECT_EQ(fake.files.get(install + L"\\patch.txt"), kHistory1To6 + "7         07/12/2026\r\n");
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0].prompt.rfind(L"Errore di run-time '70'", 0), 0u);
}

}  // namespace
