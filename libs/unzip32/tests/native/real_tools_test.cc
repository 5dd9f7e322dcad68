// Archives written by tools we did not write (Python's zipfile, 7-Zip,
// bsdtar), extracted by us and by the tool itself: the two trees must be the
// same byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "test_files.h"
#include "unzip_harness.h"

namespace ziptest {
namespace {

const std::string kScript = UNZIP32_TEST_SCRIPTS "/real_tools.py";

void shell(const std::string& command) {
    ASSERT_EQ(std::system(("(export LC_ALL=C.UTF-8; " + command + ") >/dev/null 2>&1").c_str()), 0) << command;
}

struct Tool {
    const char* label;
    const char* make;     // {tree} {zip}
    const char* extract;  // {zip} {dir}
};

std::string expand(std::string text, const std::string& tree, const std::string& zip, const std::string& dir) {
    for (const auto& [key, value] : {std::pair{"{tree}", tree}, {"{zip}", zip}, {"{dir}", dir}, {"{py}", kScript}})
        for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, std::strlen(key), value);
    return text;
}

class RealTools : public ::testing::TestWithParam<Tool> {};

TEST_P(RealTools, SameTreeAsTheToolItself) {
    TempFolder folder;
    const std::string tree = folder / "tree", zip = folder / "a.zip", ours = folder / "ours", theirs = folder / "theirs";
    shell("python3 " + kScript + " tree " + tree);
    shell(expand(GetParam().make, tree, zip, ""));
    shell(expand(GetParam().extract, tree, zip, theirs));
    UnzipRun unzip{&Wiz_SingleEntryUnzip};
    unzip.password = "Secret";
    unzip.password_answer = 0;
    ASSERT_EQ(unzip.run(zip, ours), UZP_OK) << unzip.printed;
    const auto expected = snapshot(theirs);
    EXPECT_EQ(snapshot(ours), expected);
    EXPECT_EQ(snapshot(ours), snapshot(tree));
    EXPECT_GT(expected.size(), 10u);
    EXPECT_EQ(expected.at("catalogo/vuoto.txt"), "");
    EXPECT_EQ(expected.at("perch\xc3\xa9/gi\xc3\xa0.txt"), "pu\xc3\xb2 gi\xc3\xa0 perch\xc3\xa9\n");
}

// bsdtar and 7-Zip restore times too: ours must agree to the second.
TEST_P(RealTools, SameTimesAsToolsThatRestoreThem) {
    if (std::string(GetParam().extract).starts_with("python3")) GTEST_SKIP() << "zipfile does not restore times";
    TempFolder folder;
    const std::string tree = folder / "tree", zip = folder / "a.zip", ours = folder / "ours", theirs = folder / "theirs";
    shell("python3 " + kScript + " tree " + tree);
    shell("touch -d '2019-03-04 05:06:08' " + tree + "/catalogo/dati/indice.htm");
    shell(expand(GetParam().make, tree, zip, ""));
    shell(expand(GetParam().extract, tree, zip, theirs));
    UnzipRun unzip{&Wiz_SingleEntryUnzip};
    unzip.password = "Secret";
    unzip.password_answer = 0;
    ASSERT_EQ(unzip.run(zip, ours), UZP_OK) << unzip.printed;
    struct stat mine {}, reference {};
    ASSERT_EQ(::stat((ours + "/catalogo/dati/indice.htm").c_str(), &mine), 0);
    ASSERT_EQ(::stat((theirs + "/catalogo/dati/indice.htm").c_str(), &reference), 0);
    EXPECT_EQ(mine.st_mtime, reference.st_mtime);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, RealTools,
    ::testing::Values(
        Tool{"python_deflate", "python3 {py} python-deflate {tree} {zip}", "python3 {py} python-extract {zip} {dir}"},
        Tool{"python_descriptors", "python3 {py} python-stream {tree} {zip}", "python3 {py} python-extract {zip} {dir}"},
        Tool{"python_zip64", "python3 {py} python-zip64 {tree} {zip}", "python3 {py} python-extract {zip} {dir}"},
        Tool{"sevenzip_deflate", "cd {tree} && 7z a -tzip {zip} .", "7z x -y -o{dir} {zip}"},
        Tool{"sevenzip_stored", "cd {tree} && 7z a -tzip -mx=0 {zip} .", "7z x -y -o{dir} {zip}"},
        Tool{"sevenzip_zipcrypto", "cd {tree} && 7z a -tzip -pSecret -mem=ZipCrypto {zip} .",
             "7z x -y -pSecret -o{dir} {zip}"},
        Tool{"bsdtar_deflate", "bsdtar --format zip -cf {zip} -C {tree} .", "mkdir -p {dir} && bsdtar -xf {zip} -C {dir}"},
        Tool{"bsdtar_stored", "bsdtar --format zip --options zip:compression=store -cf {zip} -C {tree} .",
             "mkdir -p {dir} && bsdtar -xf {zip} -C {dir}"},
        Tool{"bsdtar_to_pipe", "bsdtar --format zip -cf - -C {tree} . | cat > {zip}",
             "mkdir -p {dir} && bsdtar -xf {zip} -C {dir}"},
        // Encrypted entries with data descriptors: the check byte is the time's.
        Tool{"bsdtar_zipcrypto",
             "bsdtar --format zip --options zip:encryption=zipcrypt --passphrase Secret -cf {zip} -C {tree} .",
             "mkdir -p {dir} && bsdtar --passphrase Secret -xf {zip} -C {dir}"}),
    [](const auto& tool) { return std::string(tool.param.label); });

TEST(RealToolsPasswords, WrongOrNoPasswordSkipsEveryEncryptedEntry) {
    TempFolder folder;
    const std::string tree = folder / "tree", zip = folder / "a.zip";
    shell("python3 " + kScript + " tree " + tree);
    shell("cd " + tree + " && 7z a -tzip -pSecret -mem=ZipCrypto " + zip + " .");
    UnzipRun wrong{&Wiz_SingleEntryUnzip};
    wrong.password = "Wrong";
    wrong.password_answer = 0;
    EXPECT_EQ(wrong.run(zip, folder / "wrong"), UZP_ENTRY_ERRORS);
    EXPECT_NE(wrong.printed.find("wrong password"), std::string::npos);
    UnzipRun refused{&Wiz_SingleEntryUnzip};  // answers like the installer: no password
    EXPECT_EQ(refused.run(zip, folder / "refused"), UZP_ENTRY_ERRORS);
    EXPECT_GT(refused.password_calls, 1);
    // Only folders come out; an empty file may too (one time in 256 a wrong
    // password passes the check byte, and there is no content to be wrong).
    for (const auto* run_folder : {"wrong", "refused"})
        for (const auto& [name, content] : snapshot(folder.path() / run_folder))
            EXPECT_TRUE(content == "/" || (content.empty() && name.ends_with("vuoto.txt"))) << name;
    UnzipRun right{&Wiz_SingleEntryUnzip};
    right.password = "Secret";
    right.password_answer = 0;
    EXPECT_EQ(right.run(zip, folder / "right"), UZP_OK) << right.printed;
    EXPECT_EQ(right.password_calls, 1);  // asked once, then reused
}

}  // namespace
}  // namespace ziptest
