// The installer as a Windows program: its window at two DPI settings, the
// accents of its messages, and one run at a time.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "tests/e2e/e2e_support.h"

namespace e2e {
namespace {

using dialog_driver::DialogIcon;
namespace button = dialog_driver::button;

/// The form and its label, in the form's client coordinates.
struct FormLayout {
    RECT client{}, label{};
    std::wstring caption, label_text;
};

FormLayout read_form() {
    FormLayout layout;
    HWND form = FindWindowW(L"VarenkorCatalogoPatch", nullptr);
    if (!form) return layout;
    wchar_t text[256];
    GetWindowTextW(form, text, 256);
    layout.caption = text;
    GetClientRect(form, &layout.client);
    if (HWND label = GetWindow(form, GW_CHILD)) {
        GetWindowTextW(label, text, 256);
        layout.label_text = text;
        GetWindowRect(label, &layout.label);
        MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&layout.label), 2);
    }
    return layout;
}

/// Sets the screen's DPI for the programs started from now on.
void set_dpi(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

class Window : public InstallerTest {
protected:
    void TearDown() override {
        set_dpi(96);
        InstallerTest::TearDown();
    }
};

TEST_F(Window, TheLabelStaysInsideTheWindowAtEachDpi) {
    fixture::remove_menu_folder();  // a short run: the refusal holds the window on screen
    for (const DWORD dpi : {96u, 144u}) {
        set_dpi(dpi);
        FormLayout layout;
        const auto result = run([&](const dialog_driver::DialogSeen& box) {
            layout = read_form();
            return dialog_driver::default_answer(box);
        });
        ASSERT_EQ(result.dialogs.size(), 1u) << dialog_driver::transcript(result);
        EXPECT_EQ(layout.caption, L"Varenkor Catalogo");
        EXPECT_EQ(layout.label_text, L"aggiornamento in elaborazione...");
        // 4230 x 765 twips, the label at 240, 240 and 3615 x 240 twips.
        EXPECT_EQ(layout.client.right, MulDiv(4230, static_cast<int>(dpi), 1440)) << dpi;
        EXPECT_EQ(layout.client.bottom, MulDiv(765, static_cast<int>(dpi), 1440)) << dpi;
        EXPECT_EQ(layout.label.left, MulDiv(240, static_cast<int>(dpi), 1440)) << dpi;
        EXPECT_EQ(layout.label.bottom - layout.label.top, MulDiv(240, static_cast<int>(dpi), 1440)) << dpi;
        EXPECT_GE(layout.label.left, 0);
        EXPECT_GE(layout.label.top, 0);
        EXPECT_LE(layout.label.right, layout.client.right) << dpi;
        EXPECT_LE(layout.label.bottom, layout.client.bottom) << dpi;
    }
}

TEST_F(Window, ASecondStartWhileTheFirstRunsTouchesNothing) {
    fixture::write_file(install + L"\\progetto.htm", "the user's own page");
    dialog_driver::RunResult second;
    // The first run waits on its overwrite question while the second starts.
    const auto first = run([&](const dialog_driver::DialogSeen& box) {
        if (box.title == L"VBUnzip - File already exists") {
            second = run();
            return static_cast<int>(button::yes);
        }
        return dialog_driver::default_answer(box);
    });
    ASSERT_EQ(second.dialogs.size(), 1u) << dialog_driver::transcript(second);
    EXPECT_EQ(second.dialogs[0].title, L"Dravimex");
    EXPECT_EQ(second.dialogs[0].text, L"L'installazione di questa patch è già in corso.");
    EXPECT_EQ(second.dialogs[0].icon, DialogIcon::information);
    EXPECT_EQ(second.exit_code, 1618u);

    ASSERT_EQ(first.dialogs.size(), 2u) << dialog_driver::transcript(first);
    EXPECT_EQ(first.dialogs[1].text, L"Patch installata con successo!");
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6 + "7         " + today() + "\r\n");
}

TEST_F(Window, AQuietSecondStartShowsNoBoxAndEndsWith1618) {
    fixture::write_file(install + L"\\progetto.htm", "the user's own page");
    const std::wstring log = base + L"\\secondo.log";
    dialog_driver::RunResult second;
    const auto first = run([&](const dialog_driver::DialogSeen& box) {
        if (box.title == L"VBUnzip - File already exists") {
            second = run_with(L"/quiet /log \"" + log + L"\"");
            return static_cast<int>(button::yes);
        }
        return dialog_driver::default_answer(box);
    });
    EXPECT_TRUE(second.dialogs.empty()) << dialog_driver::transcript(second);
    EXPECT_TRUE(second.windows_created.empty());
    EXPECT_EQ(second.exit_code, 1618u);
    const std::string logged = read_bytes(log);
    EXPECT_NE(logged.find("L'installazione di questa patch \xC3\xA8 gi\xC3\xA0 in corso."), std::string::npos) << logged;
    EXPECT_NE(logged.find("(codice di uscita 1618)"), std::string::npos) << logged;

    ASSERT_EQ(first.dialogs.size(), 2u) << dialog_driver::transcript(first);
    EXPECT_EQ(first.dialogs[1].text, L"Patch installata con successo!");
    EXPECT_EQ(read_bytes(install + L"\\patch.txt"), kHistory1To6 + "7         " + today() + "\r\n");
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// A run asked for in another locale must really be in it, or its checks of
// accents and dates prove nothing.
TEST(Locale, IsTheOneTheRunAskedFor) {
    const char* expected = std::getenv("EXPECTED_USER_LOCALE");
    if (!expected) GTEST_SKIP() << "no locale asked for";
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    ASSERT_GT(GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH), 0);
    EXPECT_EQ(std::wstring(name), std::wstring(expected, expected + std::strlen(expected)));
    EXPECT_EQ(GetACP(), 1252u);
}

}  // namespace
}  // namespace e2e
