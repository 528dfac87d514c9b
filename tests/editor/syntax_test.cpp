// Scheme files (header, elements, colours, keywords, blocks) and the
// colours they give text.
#include <gtest/gtest.h>

#include <string>

#include "editor/scheme_list.h"
#include "editor/syntax_colorizer.h"
#include "editor/syntax_scheme.h"
#include "editor/text_buffer.h"

namespace {

constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kGray = 0x808080;

TEST(SchemeColours, NamesHexAndEverythingElse) {
    EXPECT_EQ(parseColour("\"blue\""), kBlue);
    EXPECT_EQ(parseColour("\"BLUE\""), kBlue);
    EXPECT_EQ(parseColour("blue"), 0);  // four letters, no quotes
    EXPECT_EQ(parseColour("00FF00"), kGreen);
    EXPECT_EQ(parseColour("FF0000"), kRed);
    EXPECT_EQ(parseColour("\"purple\""), 0);
    EXPECT_EQ(parseColour(""), 0);
    EXPECT_EQ(parseColour("12345G"), 0);
}

TEST(SchemeHeader, IdNameExtensionsAndTheFirstIdWins) {
    SchemeList list;
    std::string file = "<ID> 5</ID><NAME>  C++ Source </NAME><EXTENTION>\n <Ext>cpp</Ext>\r\n<Ext> h </Ext></EXTENTION>";
    ASSERT_TRUE(readSchemeHeader(list, "a.xml", file));
    ASSERT_EQ(list.entries().size(), 1u);
    EXPECT_EQ(list.entries()[0].id, 5);
    EXPECT_EQ(list.entries()[0].name, "C++ Source");
    EXPECT_EQ(list.entries()[0].extensions, (std::vector<std::string>{"cpp", "h"}));
    EXPECT_FALSE(readSchemeHeader(list, "b.xml", "<ID>5</ID><NAME>x</NAME><EXTENTION></EXTENTION>"));
    EXPECT_FALSE(readSchemeHeader(list, "c.xml", "<ID>6</ID><NAME>no extensions</NAME>"));
    EXPECT_FALSE(readSchemeHeader(list, "d.xml", std::string(1000, '\x01')));
    EXPECT_EQ(list.entries().size(), 1u);
}

TEST(SchemeLoad, DelimitersAreUnescapedIncludingTheLetterPairs) {
    SyntaxScheme s;
    s.load("<OPTIONS><WordDelimeters>\" \\t.LTGTAMP\"</WordDelimeters><SpecialDelimiters>;</SpecialDelimiters></OPTIONS>");
    EXPECT_EQ(s.wordDelimiters, " \t.<>&");
    EXPECT_EQ(s.specialDelimiters, ";");
}

TEST(SchemeLoad, ColoursKeywordsAndOnlyTheFirstKeywordGroup) {
    SyntaxScheme s;
    s.load(R"(<COLOR_DATA>
        <EditTextColor>"darkgray"</EditTextColor>
        <KEYWORDS><CaseSensitive>true</CaseSensitive><Color>"blue"</Color>
            <Keyword>int</Keyword><Keyword>Select</Keyword></KEYWORDS>
        <KEYWORDS><Color>"red"</Color><Keyword>ignored</Keyword></KEYWORDS>
        <WORDS>
            <WORD><Val>select</Val><Color>00FF00</Color><CaseSensitive>FALSE</CaseSensitive></WORD>
            <WORD><Color>"red"</Color></WORD>
            <WORD><Val>after</Val><Color>"red"</Color></WORD>
        </WORDS></COLOR_DATA>)");
    EXPECT_EQ(s.editText, kGray);
    EXPECT_EQ(s.editBack, 0xFFFFFF);
    ASSERT_TRUE(s.findKeyword("int"));
    EXPECT_EQ(s.findKeyword("int")->text, kBlue);
    EXPECT_FALSE(s.findKeyword("INT"));  // case-sensitive
    EXPECT_FALSE(s.findKeyword("ignored"));
    EXPECT_FALSE(s.findKeyword("after"));  // the walk ended at the WORD without Val
    // Select (case-sensitive) and select (folded to SELECT).
    EXPECT_EQ(s.findKeyword("Select")->text, kBlue);
    EXPECT_EQ(s.findKeyword("select")->text, kGreen);
    EXPECT_EQ(s.findKeyword("SELECT")->text, kGreen);
    EXPECT_EQ(s.findKeyword("sELECT")->text, kGreen);
}

TEST(SchemeLoad, BlocksAreOrderedAndCheckedWhenAdded) {
    SyntaxScheme s;
    s.load(R"(<COLOR_DATA><BLOCKS>
        <BLOCK><Start>//</Start><Color>"green"</Color></BLOCK>
        <BLOCK><Start>/*</Start><End>*/</End><Color>"green"</Color><WholeText>TRUE</WholeText></BLOCK>
        <BLOCK><Start>"</Start><End>"</End><Color>"red"</Color></BLOCK>
        <BLOCK><Start>{{{</Start><WholeText>true</WholeText></BLOCK>
        <BLOCK><Start>12345678901</Start><End>x</End></BLOCK>
        <BLOCK><End>never</End></BLOCK>
        <BLOCK><Start>#</Start></BLOCK>
    </BLOCKS></COLOR_DATA>)");
    ASSERT_EQ(s.blocks.size(), 3u);  // {{{ (multi-line, no end) and the 11-byte start rejected; the walk ended before #
    EXPECT_EQ(s.blocks[0].start, "/*");  // two bytes, defined later than //
    EXPECT_TRUE(s.blocks[0].multiLine);
    EXPECT_EQ(s.blocks[1].start, "//");
    EXPECT_EQ(s.blocks[2].start, "\"");
}

TEST(SchemeLoad, ClearKeepsDelimitersAndColoursAndAbsentColourDataKeepsThemToo) {
    SyntaxScheme s;
    s.load("<OPTIONS><WordDelimeters>\" \"</WordDelimeters></OPTIONS><COLOR_DATA><EditTextColor>\"red\"</EditTextColor>"
           "<KEYWORDS><Color>\"blue\"</Color><Keyword>k</Keyword></KEYWORDS></COLOR_DATA>");
    s.clear();
    EXPECT_TRUE(s.keywords.empty());
    EXPECT_EQ(s.wordDelimiters, " ");
    EXPECT_EQ(s.editText, kRed);
    s.load("no elements at all");
    EXPECT_EQ(s.editText, kRed);
    EXPECT_TRUE(s.keywords.empty());
}

TEST(SchemeLoad, UnclosedAndJunkInputIsAbsentNotAnError) {
    SyntaxScheme s;
    s.load("<COLOR_DATA><KEYWORDS><Color>\"blue\"</Color><Keyword>a</Keyword>");
    EXPECT_TRUE(s.keywords.empty());
    std::string junk;
    for (int i = 0; i < 200000; ++i) junk += char(i * 7919 % 256);
    s.load(junk);
    std::string nested;
    for (int i = 0; i < 20000; ++i) nested += "<BLOCK>";
    s.load("<COLOR_DATA><BLOCKS>" + nested + "</BLOCKS></COLOR_DATA>");
    EXPECT_TRUE(s.blocks.empty());
}

TEST(SchemeLoad, AMillionByteKeywordListLoadsInOnePass) {
    std::string file = "<COLOR_DATA><KEYWORDS><Color>\"blue\"</Color>";
    for (int i = 0; i < 60000; ++i) file += "<Keyword>kw" + std::to_string(i) + "</Keyword>";
    file += "</KEYWORDS></COLOR_DATA>";
    ASSERT_GT(file.size(), 1000000u);
    SyntaxScheme s;
    s.load(file);
    EXPECT_EQ(s.keywords.size(), 60000u);
}

// The colours of a C-like scheme over text in a buffer.
class Colours : public ::testing::Test {
protected:
    Colours() {
        scheme.load(R"(<COLOR_DATA>
            <KEYWORDS><Color>"blue"</Color><Keyword>int</Keyword><Keyword>return</Keyword></KEYWORDS>
            <BLOCKS>
              <BLOCK><Start>//</Start><Color>"green"</Color></BLOCK>
              <BLOCK><Start>/*</Start><End>*/</End><Color>"green"</Color><WholeText>true</WholeText></BLOCK>
              <BLOCK><Start>"</Start><End>"</End><Color>"red"</Color></BLOCK>
            </BLOCKS></COLOR_DATA>)");
    }
    // One letter per byte: k keyword, c comment, s string, . plain.
    std::string paint(const std::string& text, std::size_t from = 0) {
        buffer.assign(text);
        SyntaxColorizer colorizer(scheme, buffer);
        std::string out;
        for (const ByteColours& c : colorizer.colour(from, text.size()))
            out += c.text == kBlue ? 'k' : c.text == kGreen ? 'c' : c.text == kRed ? 's' : '.';
        return out;
    }
    SyntaxScheme scheme;
    TextBuffer buffer;
};

TEST_F(Colours, KeywordsAreWholeTokens) {
    EXPECT_EQ(paint("int x; integer"), "kkk...........");
}

TEST_F(Colours, LineCommentHidesACommentOpenerAndEndsAtTheLine) {
    // The line feed that ends the comment belongs to it.
    EXPECT_EQ(paint("a // b /* c\nint"), "..cccccccccckkk");
}

TEST_F(Colours, EscapedQuotesStayInsideAndAnEscapedBackslashEnds) {
    EXPECT_EQ(paint("\"a\\\"b\" int"), "ssssss.kkk");
    // "C:\\" ends at its last quote: the backslash before it is escaped.
    EXPECT_EQ(paint("\"C:\\\\\" int"), "ssssss.kkk");
}

TEST_F(Colours, CommentOpenedAboveTheFirstLineCarriesIn) {
    std::string text = "int a;\n/* open\nstill\nclosed */ int\n";
    std::size_t third = text.find("still");
    EXPECT_EQ(paint(text, third), std::string(15, 'c') + ".kkk.");
}

TEST_F(Colours, ACommentOpenerInsideAStringAboveDoesNotCarryIn) {
    std::string text = "x = \"/*\";\nint\n";
    EXPECT_EQ(paint(text, text.find("int")), "kkk.");
}
// Many openers inside strings on one long line above the view: each is
// rejected by the blocks of its line, which are worked out once per line.
TEST_F(Colours, ManyRejectedOpenersOnOneLongLineAreCheckedInOnePass) {
    std::string line;
    while (line.size() < 64 * 1024) line += "\"/*\"";
    EXPECT_EQ(paint(line + "\nint", line.size() + 1), "kkk");
}

}  // namespace
