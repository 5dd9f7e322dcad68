// A link to a folder elsewhere, as the file system layer meets it: seen as a
// link, and deleting it never lists, let alone deletes, what it points to.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/file_system-win32.h"
#include "runtime/run_time_error.h"
#include "tools/fixture/fixture_builder-win32.h"

namespace {

TEST(FileSystemOnWine, ALinkGoesAsALinkNeverWithWhatItPointsTo) {
    platform::Win32FileSystem files;
    const fixture::ScopedTree folder(L"C:\\prova collegamenti");
    const std::wstring target = folder.path() + L"\\altrove", link = folder.path() + L"\\catalogo.prima-della-patch-7";
    fixture::write_file(target + L"\\dati.htm", "data kept elsewhere");
    fixture::link_folder(link, target);
    EXPECT_TRUE(files.is_link(link));
    EXPECT_FALSE(files.is_link(target));
    try {
        files.remove_tree(link);
    } catch (const runtime::RunTimeError&) {
        // Wine removes a link to a folder only with the folder, and only when
        // it is empty; Windows removes the link.
    }
    EXPECT_EQ(files.read_file(target + L"\\dati.htm"), "data kept elsewhere");
    if (files.path_exists(link)) fixture::remove_link(link);
}

}  // namespace
