#include "app/installation_folder.h"

#include <gtest/gtest.h>

#include "tests/fakes/padded_text.h"

namespace {

using fakes::padded;

TEST(CleanWorkingFolder, DropsTheSpacesAndTheNul) {
    EXPECT_EQ(installation_folder::clean(padded(L"C:\\Cat")), L"C:\\Cat");
    EXPECT_EQ(installation_folder::clean(L"  C:\\Cat  "), L"C:\\Ca");  // the last character goes, whatever it is
}

TEST(CleanWorkingFolder, NothingLeftIsNoFolder) {
    EXPECT_EQ(installation_folder::clean(L""), std::nullopt);
    EXPECT_EQ(installation_folder::clean(std::wstring(255, L' ')), std::nullopt);
    EXPECT_EQ(installation_folder::clean(padded(L"")), L"");  // the NUL alone: an empty folder
}

TEST(RepairPath, InsertsTheMissingBackslash) {
    EXPECT_EQ(installation_folder::repair(L"D:\\Apps\\VarenkorCatalogoprogetto_html"),
              L"D:\\Apps\\VarenkorCatalogo\\progetto_html");
    EXPECT_EQ(installation_folder::repair(L"C:\\varenkorcatalogoprogetto_html\\x\\progetto_html"),
              L"C:\\varenkorcatalogo\\progetto_html\\x\\\\progetto_html");
}

TEST(RepairPath, LeavesOtherPathsAlone) {
    // The marker matches regardless of case, the replacement only in exact case.
    EXPECT_EQ(installation_folder::repair(L"D:\\VarenkorCatalogoProgetto_html"), L"D:\\VarenkorCatalogoProgetto_html");
    // Without the marker nothing changes, even where the defect's word appears.
    EXPECT_EQ(installation_folder::repair(L"D:\\Varenkor\\progetto_html"), L"D:\\Varenkor\\progetto_html");
    EXPECT_EQ(installation_folder::repair(L""), L"");
}

}  // namespace
