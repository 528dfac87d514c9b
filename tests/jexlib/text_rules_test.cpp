// The tool's rules on text: GBK and Unicode, the manifest's escapes, names
// on disk, finding a phrase, the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "jexlib/cli.h"
#include "jexlib/file_names.h"
#include "jexlib/manifest.h"
#include "jexlib/phrase_finder.h"
#include "jexlib/unicode.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Every two-byte GBK code: lead 0x81..0xFE, trail 0x40..0xFE but 0x7F.
template <typename F>
void forEachCode(F f) {
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F) f(std::string{char(lead), char(trail)});
}

TEST(UnicodeTest, EveryGbkCharacterConvertsToOneCodePointAndBack) {
    int characters = 0;
    std::set<long> seen;
    forEachCode([&](const std::string& code) {
        long cp = jexlib::gbkCodePoint(reinterpret_cast<const unsigned char*>(code.data()), 2);
        if (cp < 0) return;
        ++characters;
        EXPECT_TRUE(seen.insert(cp).second) << "U+" << std::hex << cp << " twice";
        std::string back;
        ASSERT_TRUE(jexlib::appendGbk(back, cp));
        EXPECT_EQ(back, code);
    });
    EXPECT_EQ(characters, 21791);
    std::string utf8;
    ASSERT_TRUE(jexlib::gbkToUtf8("中文 abc \x80", utf8));
    EXPECT_EQ(utf8, u8"中文 abc €");
    EXPECT_FALSE(jexlib::gbkToUtf8("\xff", utf8));
    EXPECT_FALSE(jexlib::gbkToUtf8("ok\xd6", utf8)) << "a lead byte at the end";
    EXPECT_EQ(jexlib::readableUtf8("a\xffz"), u8"a\uFFFDz");
}

TEST(UnicodeTest, Utf8InputListsWhatGbkCannotHoldByLine) {
    std::string gbk;
    std::vector<jexlib::Unheld> unheld;
    EXPECT_FALSE(jexlib::utf8ToGbk(u8"第一行\n第二 \U0001F600 行\r\n\u2713", gbk, unheld));
    EXPECT_EQ(gbk, "第一行\n第二 ? 行\r\n?");
    ASSERT_EQ(unheld.size(), 2u);
    EXPECT_EQ(unheld[0].line, 2u);
    EXPECT_EQ(unheld[0].codePoint, 0x1F600);
    EXPECT_EQ(unheld[1].line, 3u);
    EXPECT_EQ(jexlib::describeCodePoint(0x2713), u8"U+2713 (\u2713)");
    EXPECT_EQ(jexlib::describeCodePoint(0x7), "U+0007");
}

TEST(UnicodeTest, IllFormedUtf8IsNotUtf8) {
    EXPECT_TRUE(jexlib::isUtf8(u8"plain 中文 \U0001F600"));
    for (const char* bad : {"\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe4\xb8", "\x80",
                            "\xc4\xe3\xba\xc3" /* GBK 你好 */})
        EXPECT_FALSE(jexlib::isUtf8(bad)) << bad;
    EXPECT_EQ(jexlib::wideToUtf8(jexlib::utf8ToWide(u8"路径 \U0001F600")), u8"路径 \U0001F600");
}

TEST(ManifestTest, EveryGbkValueComesBackByteForByte) {
    std::string all;
    forEachCode([&](const std::string& code) { all += code; });
    for (int c = 0; c < 256; ++c) all += char(c);  // control bytes, lone leads, 0x80, 0xFF
    std::string escaped = jexlib::escapeGbk(all);
    EXPECT_EQ(escaped.find_first_of("\t\n\r"), std::string::npos);
    EXPECT_TRUE(jexlib::isUtf8(escaped));
    std::string back, error;
    ASSERT_TRUE(jexlib::unescapeGbk(escaped, back, error)) << error;
    EXPECT_TRUE(back == all);
    EXPECT_EQ(jexlib::escapeGbk("a\\b\tc\xff中"), u8"a\\\\b\\tc\\xFF中");
}

TEST(ManifestTest, BadValuesAndLinesAreNamed) {
    std::string out, error;
    EXPECT_FALSE(jexlib::unescapeGbk("\\q", out, error));
    EXPECT_THAT(error, HasSubstr("bad escape"));
    EXPECT_FALSE(jexlib::unescapeGbk("\\x4", out, error));
    EXPECT_FALSE(jexlib::unescapeGbk(u8"\U0001F600", out, error));
    EXPECT_THAT(error, HasSubstr("U+1F600"));

    std::vector<jexlib::ManifestRecord> records;
    ASSERT_TRUE(jexlib::parseManifest("jexlib manifest 1\r\n# note\n\ntext\tid=2\ttitle=a=b\n", records, error));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].line, 4);
    EXPECT_EQ(*records[0].find("title"), "a=b");
    EXPECT_EQ(records[0].find("memo"), nullptr);
    EXPECT_FALSE(jexlib::parseManifest("", records, error));
    EXPECT_FALSE(jexlib::parseManifest("jexlib manifest 1\ntext\tid\n", records, error));
    EXPECT_THAT(error, HasSubstr("line 2"));
}

TEST(FileNamesTest, TitlesBecomeNamesEverySystemTakes) {
    EXPECT_EQ(jexlib::fileNameFor("main.cpp"), "main.cpp");
    EXPECT_EQ(jexlib::fileNameFor("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(jexlib::fileNameFor("tab\there"), "tab_here");
    EXPECT_EQ(jexlib::fileNameFor("COM1.txt"), "_COM1.txt");
    EXPECT_EQ(jexlib::fileNameFor("ends. . "), "ends");
    EXPECT_EQ(jexlib::fileNameFor(".."), "_");
    EXPECT_EQ(jexlib::fileNameFor(""), "_");
    EXPECT_EQ(jexlib::fileNameFor("\x95\x5c\x95\x7c"), u8"昞晐") << "trail bytes \\ and | are no separators";
    EXPECT_EQ(jexlib::fileNameFor("bad\xff"), "bad_");

    std::string longTitle;
    for (int i = 0; i < 60; ++i) longTitle += "长";
    std::string name = jexlib::fileNameFor(longTitle + ".txt");
    EXPECT_EQ(name.substr(name.size() - 4), ".txt");
    std::string gbk;
    std::vector<jexlib::Unheld> unheld;
    jexlib::utf8ToGbk(name, gbk, unheld);
    EXPECT_LE(gbk.size(), jexlib::kNameBytes);
    EXPECT_EQ(gbk.size() % 2, 0u) << "whole characters (and the 4-byte extension)";
}

TEST(FileNamesTest, NamesACaseBlindSystemTakesForOneClash) {
    jexlib::NameSpace names;
    EXPECT_TRUE(names.take({"Main.cpp", "Main.cpp.memo.txt"}));
    EXPECT_FALSE(names.take({"main.CPP"}));
    EXPECT_FALSE(names.take({"other", "MAIN.CPP.MEMO.TXT"})) << "all or none";
    EXPECT_TRUE(names.take({"other"}));
    EXPECT_TRUE(names.take({u8"Ａ"}));
    EXPECT_FALSE(names.take({u8"ａ"}));
    EXPECT_TRUE(names.take({u8"Ω"}));
    EXPECT_FALSE(names.take({u8"ω"}));
    EXPECT_TRUE(names.take({u8"Д"}));
    EXPECT_FALSE(names.take({u8"д"}));
    EXPECT_EQ(jexlib::numberedName("dup.txt", 2, true), "dup (2).txt");
    EXPECT_EQ(jexlib::numberedName("v1.2", 3, false), "v1.2 (3)");
    EXPECT_EQ(jexlib::numberedName(".profile", 2, true), ".profile (2)");
}

TEST(PhraseFinderTest, FindsAtCharacterBoundariesWithLettersInEitherCase) {
    jexlib::PhraseFinder hello("Hello");
    EXPECT_EQ(hello.find("say hELLO there"), 4u);
    EXPECT_EQ(hello.find("say hell"), jexlib::PhraseFinder::npos);
    EXPECT_EQ(hello.find("hellohello", 1), 5u);

    // 旳 is 0x95 0x41: the "A" there is a trail byte and no letter.
    jexlib::PhraseFinder a("aq");
    EXPECT_EQ(a.find("\x95\x41q"), jexlib::PhraseFinder::npos);
    EXPECT_EQ(a.find("\x95\x41q Aq"), 4u);
    // A phrase starting with a trail-like byte found only where it starts a character.
    jexlib::PhraseFinder pair("\x41\x95\x41");
    EXPECT_EQ(pair.find("\x95\x41\x95\x41"), jexlib::PhraseFinder::npos);
    EXPECT_EQ(pair.find("\x95\x41 \x41\x95\x41"), 3u);
    // Trail bytes compare exactly: 0x95 0x61 is another character than 0x95 0x41.
    jexlib::PhraseFinder chinese("\x95\x41");
    EXPECT_EQ(chinese.find("\x95\x61"), jexlib::PhraseFinder::npos);
    EXPECT_EQ(chinese.find("ab\x95\x41"), 2u);
    // The word after a run of double-byte characters with letter-like trails.
    std::string run;
    for (int i = 0; i < 1000; ++i) run += "\x95\x41";
    EXPECT_EQ(jexlib::PhraseFinder("\x41\x41").find(run), jexlib::PhraseFinder::npos);
    EXPECT_EQ(jexlib::PhraseFinder("\x41\x41").find(run + "aA"), run.size());
}

TEST(CommandLineTest, ArgumentsBecomeAnInvocation) {
    auto parse = [](std::vector<std::string> args) { return jexlib::parseCommandLine(args, "/prog", false); };
    jexlib::Invocation in = parse({"import", "dir", "lib.db", "--into", "7", "--substitute", "--scheme", "3"});
    EXPECT_EQ(in.command, "import");
    EXPECT_THAT(in.operands, ElementsAre("dir", "lib.db"));
    EXPECT_EQ(in.importOptions.into, 7);
    EXPECT_TRUE(in.importOptions.substitute);
    EXPECT_EQ(in.importOptions.schemeWithoutExtension, 3);
    EXPECT_EQ(in.importOptions.syntaxFolder, std::filesystem::path("/prog/Syntax"));
    EXPECT_FALSE(in.progress);
    EXPECT_TRUE(parse({"export", "a", "b", "--progress", "--utf8"}).exportOptions.utf8);
    EXPECT_THAT(parse({"search", "lib", "--", "-x", "y"}).operands, ElementsAre("lib", "-x", "y"));
    EXPECT_EQ(parse({"backup", "lib", "dest", "--keep", "3"}).backupOptions.keep, 3);
    EXPECT_EQ(parse({"check", "lib", "--help"}).helpTopic, "check");
    EXPECT_EQ(parse({"--help"}).command, "help");

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {"frob"}, {"export", "a"}, {"export", "a", "b", "c"}, {"import", "a", "b", "--into"},
             {"import", "a", "b", "--into", "x"}, {"backup", "a", "--keep", "0"}, {"check", "a", "--utf8"},
             {"search", "lib"}, {"help", "frob"}})
        EXPECT_THROW(parse(bad), jexlib::UsageError) << (bad.empty() ? "" : bad[0]);
}

TEST(CommandLineTest, ExitCodesTellWhatHappened) {
    struct Quiet : jexlib::Reporter {
        void print(std::string_view l) override { out += std::string(l) + "\n"; }
        void note(std::string_view l) override { out += std::string(l) + "\n"; }
        std::string out;
    };
    auto run = [](std::vector<std::string> args, std::string* out = nullptr) {
        Quiet q;
        int code = jexlib::runInvocation(jexlib::parseCommandLine(args, "/prog", false), q);
        if (out) *out = q.out;
        return code;
    };
    std::string out;
    EXPECT_EQ(run({"help"}, &out), jexlib::kDone);
    EXPECT_THAT(out, HasSubstr("jexlib export LIBRARY FOLDER"));
    EXPECT_EQ(run({"help", "import"}, &out), jexlib::kDone);
    EXPECT_THAT(out, HasSubstr("--substitute"));
    EXPECT_EQ(run({"check", "/no/such/library.db"}, &out), jexlib::kFailed);
    EXPECT_THAT(out, HasSubstr("no such file"));
    EXPECT_EQ(run({"search", "/no/such/library.db", "x"}), jexlib::kFailed);
    EXPECT_EQ(run({"search", "/no/such/library.db", u8"\U0001F600"}, &out), jexlib::kFound);
    EXPECT_THAT(out, HasSubstr("cannot be held by GBK"));
}

}  // namespace
