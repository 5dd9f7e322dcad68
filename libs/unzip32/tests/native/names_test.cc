// Entry names: decoding, the refusals that keep files inside the target
// folder, and pattern matching.
#include <gtest/gtest.h>

#include "entry_name.h"
#include "libs/codec/codec.h"
#include "libs/unzip32/temporary_name.h"
#include "wildcard.h"

namespace uz {
namespace {

using codec::from_cp437;
using codec::from_utf8;
using codec::from_windows_1252;
using codec::to_utf8;
using codec::to_windows_1252;

TEST(TextCodec, Cp437HighHalfMatchesTheDosTable) {
    EXPECT_EQ(from_cp437("caf\x82"), u"café");
    EXPECT_EQ(from_cp437("\x8a\x95\xe1\xfb"), u"èòß√");
    EXPECT_EQ(from_cp437("\xff"), u"\u00a0");
}

TEST(TextCodec, Utf8IsDecodedStrictly) {
    EXPECT_EQ(from_utf8("perch\xc3\xa9 gi\xc3\xa0"), u"perché già");
    EXPECT_EQ(from_utf8("\xf0\x9f\x98\x80"), u"\U0001F600");
    EXPECT_FALSE(from_utf8("\xc3"));              // cut short
    EXPECT_FALSE(from_utf8("\xc0\xaf"));          // overlong '/'
    EXPECT_FALSE(from_utf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(from_utf8("\xe0\x80\xae\xe0\x80\xae"));  // overlong ".."
    EXPECT_EQ(to_utf8(u"può \U0001F600"), "pu\xc3\xb2 \xf0\x9f\x98\x80");
}

TEST(TextCodec, Windows1252BothWays) {
    EXPECT_EQ(to_windows_1252(u"perché €"), "perch\xe9 \x80");
    EXPECT_EQ(to_windows_1252(u"α"), "?");
    EXPECT_EQ(from_windows_1252("gi\xe0 \x80"), u"già €");
}

TEST(TextCodec, FoldCaseCoversAccentedLetters) {
    EXPECT_EQ(fold_case(u'A'), u'a');
    EXPECT_EQ(fold_case(u'È'), u'è');
    EXPECT_EQ(fold_case(u'×'), u'×');
    EXPECT_EQ(fold_case(u'Ł'), u'ł');
    EXPECT_EQ(fold_case(u'Ÿ'), u'ÿ');  // the one capital of Latin Extended-A whose small letter is in Latin-1
    EXPECT_EQ(fold_case(u'Ź'), u'ź');
    EXPECT_EQ(fold_case(u'Д'), u'д');
}

struct NameCase {
    const char16_t* name;
    NameProblem problem;
};

TEST(EntryName, RefusesEveryWayOutOfTheTargetFolder) {
    const NameCase cases[] = {
        {u"", NameProblem::empty},
        {u"./a/..", NameProblem::parent},
        {u".", NameProblem::empty},
        {u"/etc/passwd", NameProblem::absolute},
        {u"\\windows\\win.ini", NameProblem::absolute},
        {u"//server/share/x", NameProblem::unc},
        {u"\\\\server\\share\\x", NameProblem::unc},
        {u"C:\\x.txt", NameProblem::drive},
        {u"c:x.txt", NameProblem::drive},
        {u"../x", NameProblem::parent},
        {u"a/../../x", NameProblem::parent},
        {u"a\\..\\..\\x", NameProblem::parent},
        {u"a/..", NameProblem::parent},
        {u"file.txt:stream", NameProblem::colon},
        {u"a/CON", NameProblem::device},
        {u"nul.txt", NameProblem::device},
        {u"Com1.log", NameProblem::device},
        {u"lpt9", NameProblem::device},
        {u"aux .c", NameProblem::device},
        {u"conout$", NameProblem::device},
        {u"a/b?.txt", NameProblem::bad_character},
        {u"a\x01" u"b", NameProblem::bad_character},
        {u"a/.../b", NameProblem::bad_ending},
        {u"a/.. /b", NameProblem::bad_ending},
        {u"name.", NameProblem::bad_ending},
    };
    for (const auto& c : cases) {
        EntryPath path;
        EXPECT_EQ(parse_entry_name(c.name, path), c.problem) << to_utf8(c.name);
    }
}

TEST(EntryName, AcceptsOrdinaryNamesAndSplitsThem) {
    EntryPath path;
    ASSERT_EQ(parse_entry_name(u"dati\\sub/./indice.htm", path), NameProblem::none);
    EXPECT_EQ(path.components, (std::vector<std::u16string>{u"dati", u"sub", u"indice.htm"}));
    EXPECT_FALSE(path.is_directory);
    ASSERT_EQ(parse_entry_name(u"dati/", path), NameProblem::none);
    EXPECT_TRUE(path.is_directory);
    ASSERT_EQ(parse_entry_name(u"./", path), NameProblem::none);
    EXPECT_TRUE(path.components.empty());
    for (const char16_t* fine : {u"console.txt", u"com10", u"lpt", u".hidden", u"..x", u"a b/c d.txt", u"perché.txt"})
        EXPECT_EQ(parse_entry_name(fine, path), NameProblem::none) << to_utf8(fine);
}

TEST(Wildcard, MatchesWholeNames) {
    struct Case {
        const char16_t* pattern;
        const char16_t* name;
        bool sensitive, insensitive;
    };
    const Case cases[] = {
        {u"*.txt", u"a/b.txt", true, true},
        {u"*.txt", u"a/b.TXT", false, true},
        {u"dati/*", u"dati/x/y.htm", true, true},
        {u"?.c", u"ab.c", false, false},
        {u"a?c", u"abc", true, true},
        {u"*", u"", true, true},
        {u"a*b*c", u"aXbYbZc", true, true},
        {u"a*b*c", u"aXbYbZ", false, false},
        {u"PERCHÉ*", u"perché.txt", false, true},
        {u"Ÿ.txt", u"ÿ.txt", false, true},
        {u"exact", u"exact.txt", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wildcard_match(c.pattern, c.name, false), c.sensitive) << to_utf8(c.pattern) << " " << to_utf8(c.name);
        EXPECT_EQ(wildcard_match(c.pattern, c.name, true), c.insensitive) << to_utf8(c.pattern) << " " << to_utf8(c.name);
    }
}

// The installer predicts these names: they are a contract, hash included.
TEST(TemporaryName, NumberedBesideTheLeafOrItsHash) {
    const std::u16string at_limit = std::u16string(120, u'è');  // 240 bytes in UTF-8
    const std::u16string over_limit = at_limit + u"x";
    const auto emoji = [](size_t count) {
        std::u16string text;
        for (size_t i = 0; i < count; ++i) text += u"\U0001F600";
        return text;
    };
    const struct {
        std::u16string leaf;
        unsigned attempt;
        std::u16string name;
    } cases[] = {
        {u"indice.htm", 1, u".indice.htm.uz-tmp"},
        {u"indice.htm", 2, u".indice.htm.2.uz-tmp"},
        {u"indice.htm", 10, u".indice.htm.10.uz-tmp"},
        {u"indice.htm", 99, u".indice.htm.99.uz-tmp"},
        {u"indice.htm", 100, u""},
        {u"indice.htm", 0, u""},
        {at_limit, 1, u"." + at_limit + u".uz-tmp"},
        {over_limit, 1, u".0bdabf017110c567.uz-tmp"},
        {std::u16string(250, u'n'), 3, u".0cc2566b9cafe80d.3.uz-tmp"},
        {emoji(60), 1, u"." + emoji(60) + u".uz-tmp"},  // 240 bytes, 4 each
        {emoji(61), 1, u".53378eeda1013168.uz-tmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(unzip32_temporary_name(c.leaf, c.attempt), c.name) << to_utf8(c.leaf) << " " << c.attempt;
}

TEST(Wildcard, HostilePatternsStayFast) {
    const std::u16string name(5000, u'a');
    const std::u16string pattern = u"*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(wildcard_match(pattern, name, true));
}

}  // namespace
}  // namespace uz
