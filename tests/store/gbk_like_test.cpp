// LIKE over GBK titles: the matcher, the SQL function, and the program's
// title search on an encrypted database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_sql_buffer.h"
#include "store/gbk_like.h"
#include "store/schema.h"
#include "store/statements.h"
#include "tests/store/test_db.h"

namespace {

using store::gbkLike;

// GBK characters, by their bytes.
const std::string kZhong = "\xD6\xD0";      // 中
const std::string kA = "\xB0\xA1";          // 啊, lead and trail in 0x80-0xBF
const std::string kQuoteMark = "\xA1\xB0";  // “, the trail of 啊 and the lead of another 啊
const std::string kTrailLowA = "\x81\x61";  // 乤, trail byte 'a'
const std::string kTrailA = "\x81\x41";     // 丄, trail byte 'A'
const std::string kDe = "\xB5\xC4";         // 的, trail byte 0xC4
const std::string kDaiMa = "\xB4\xFA\xC2\xEB";  // 代码

TEST(GbkLike, PercentAndUnderscore) {
    EXPECT_TRUE(gbkLike("", ""));
    EXPECT_FALSE(gbkLike("", "a"));
    EXPECT_TRUE(gbkLike("%", ""));
    EXPECT_TRUE(gbkLike("abc%", "abcdef"));
    EXPECT_TRUE(gbkLike("%def", "abcdef"));
    EXPECT_FALSE(gbkLike("%abc", "abcdef"));
    EXPECT_FALSE(gbkLike("a_c", "ac"));
    EXPECT_FALSE(gbkLike("_", ""));
}

// One "_" is one character, however many bytes it has.
TEST(GbkLike, UnderscoreTakesADoubleByteCharacterWhole) {
    EXPECT_TRUE(gbkLike("_", kZhong));
    EXPECT_FALSE(gbkLike("__", kZhong));
    EXPECT_TRUE(gbkLike("a_c", "a" + kZhong + "c"));
    EXPECT_TRUE(gbkLike("__", kZhong + "x"));
    EXPECT_TRUE(gbkLike("_", "\xB0"));  // a lead byte at the end stands alone
}

// A trail byte is part of its character: it never matches a letter.
TEST(GbkLike, TrailBytesDoNotMatchAsciiLetters) {
    EXPECT_FALSE(gbkLike("%a%", kTrailLowA));
    EXPECT_FALSE(gbkLike("%a%", kTrailA));
    EXPECT_FALSE(gbkLike("%A%", kTrailLowA));
    EXPECT_TRUE(gbkLike("%a%", kTrailLowA + "A"));
    EXPECT_FALSE(gbkLike("%\\%", "\x95\x5C"));  // 昞: its trail byte is a backslash
}

// Matches start at character boundaries: bytes that span two characters are
// not a character of the text.
TEST(GbkLike, DoubleByteCharactersMatchOnlyAtCharacterBoundaries) {
    EXPECT_TRUE(gbkLike("%" + kA + "%", kZhong + kA));
    EXPECT_TRUE(gbkLike("%" + kDaiMa + "%", kDe + kDaiMa));
    EXPECT_FALSE(gbkLike("%" + kQuoteMark + "%", kA + kA));
    EXPECT_FALSE(gbkLike("%\xD0\xB0%", kZhong + kA));  // 邪 = the trail of 中 and the lead of 啊
    EXPECT_TRUE(gbkLike("%" + kQuoteMark + "%", kA + kQuoteMark));
}

TEST(GbkLike, AsciiLettersIgnoreCaseDoubleByteCharactersAreExact) {
    EXPECT_TRUE(gbkLike("%ABC%", "xabcx"));
    EXPECT_FALSE(gbkLike("[", "{"));  // 0x5B and 0x7B differ by 0x20 but are not letters
    EXPECT_FALSE(gbkLike(kTrailA, kTrailLowA));
}

TEST(GbkLike, AfterAPercentEveryLaterStartIsTried) {
    EXPECT_TRUE(gbkLike("%ab", "aab"));
    EXPECT_FALSE(gbkLike("%a%b%c", "xaxbxcx"));
    EXPECT_TRUE(gbkLike("%a%b%c%", "xaxbxcx"));
    EXPECT_FALSE(gbkLike("%" + kZhong + "__" + kZhong, kZhong + "x" + kZhong));
    // Many "%" over a long text that almost matches: no blow-up.
    EXPECT_FALSE(gbkLike("%a%a%a%a%a%a%a%a%b", std::string(5000, 'a')));
}

TEST(GbkLike, EscapeMakesWildcardsAndItselfLiteral) {
    EXPECT_TRUE(gbkLike("10\\%", "10%", "\\"));
    EXPECT_FALSE(gbkLike("10\\%", "100", "\\"));
    EXPECT_TRUE(gbkLike("a\\_b", "a_b", "\\"));
    EXPECT_TRUE(gbkLike("a\\\\b", "a\\b", "\\"));
    EXPECT_FALSE(gbkLike("abc\\", "abc", "\\"));  // nothing after the escape
    EXPECT_TRUE(gbkLike("%" + kZhong + "%x", "%x", kZhong));  // a double-byte escape
    EXPECT_TRUE(gbkLike("%\\%", "\\x", ""));  // without an escape "\" is a character
}

// The matcher against a plain recursive reading of LIKE over characters, on
// many small patterns and texts made of letters in both cases, wildcards
// and double-byte characters whose trail bytes are letters or wildcards'
// look-alikes.
namespace reference {

std::vector<std::string> characters(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = (static_cast<unsigned char>(s[i]) >= 0x81 && i + 1 < s.size()) ? 2 : 1;
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool same(const std::string& p, const std::string& t) {
    if (p.size() != t.size()) return false;
    if (p.size() == 2) return p == t;
    return std::tolower(static_cast<unsigned char>(p[0])) == std::tolower(static_cast<unsigned char>(t[0])) &&
           (std::isalpha(static_cast<unsigned char>(p[0])) || p == t);
}

bool like(const std::vector<std::string>& p, std::size_t i, const std::vector<std::string>& t, std::size_t j) {
    if (i == p.size()) return j == t.size();
    if (p[i] == "%") return like(p, i + 1, t, j) || (j < t.size() && like(p, i, t, j + 1));
    if (j == t.size()) return false;
    return (p[i] == "_" || same(p[i], t[j])) && like(p, i + 1, t, j + 1);
}

}  // namespace reference

TEST(GbkLike, AgreesWithAPlainReadingOnManySmallCases) {
    const std::vector<std::string> pieces = {"a", "A", "b", "%", "_", "\x81\x61", "\x81\x41", "\xD6\xD0",
                                             "\xB0\xA1", "\x81\x25", "\x81\x5F"};
    std::uint32_t x = 2024;
    auto next = [&](std::uint32_t n) { return ((x = x * 1103515245 + 12345) >> 16 & 0x7FFF) % n; };
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string pattern, text;
        for (std::uint32_t k = next(5); k > 0; --k) pattern += pieces[next(std::uint32_t(pieces.size()))];
        for (std::uint32_t k = next(6); k > 0; --k) {
            const std::string& piece = pieces[next(std::uint32_t(pieces.size()))];
            text += piece == "%" || piece == "_" ? "b" : piece;
        }
        bool expected = reference::like(reference::characters(pattern), 0, reference::characters(text), 0);
        matched += expected;
        ASSERT_EQ(gbkLike(pattern, text), expected) << "pattern " << ::testing::PrintToString(pattern) << ", text "
                                                    << ::testing::PrintToString(text);
    }
    EXPECT_GT(matched, 500) << "the cases include matches";
}

// --- the SQL function ----------------------------------------------------------

class LikeFunction : public ::testing::Test {
protected:
    LikeFunction() { sqlite3_open(":memory:", &db); }
    ~LikeFunction() override { sqlite3_close(db); }

    // The value of one expression: its text, "NULL", or "error: " and the message.
    std::string eval(const std::string& expression) {
        sqlite3_stmt* stmt = nullptr;
        std::string result;
        if (sqlite3_prepare_v2(db, ("SELECT " + expression + ";").c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            result = std::string("error: ") + sqlite3_errmsg(db);
        } else if (sqlite3_step(stmt) != SQLITE_ROW) {
            result = std::string("error: ") + sqlite3_errmsg(db);
        } else {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            result = text ? reinterpret_cast<const char*>(text) : "NULL";
        }
        sqlite3_finalize(stmt);
        return result;
    }

    sqlite3* db = nullptr;
};

// The cases the engine's LIKE gets wrong, and what they give once the
// function is registered.
TEST_F(LikeFunction, ReplacesTheEnginesLikeForTheOperator) {
    const std::vector<std::string> cases = {
        "'" + kDe + kDaiMa + "' LIKE '%" + kDaiMa + "%'",    // the engine misses 代码
        "'" + kTrailLowA + "' LIKE '%a%'",                   // the engine finds an 'a'
        "'" + kZhong + "' LIKE '_'",                         // the engine sees two characters
        "'" + kA + kA + "' LIKE '%" + kQuoteMark + "%'",     // the engine finds “
    };
    std::vector<std::string> engine, ours;
    for (const std::string& c : cases) engine.push_back(eval(c));
    ASSERT_EQ(store::registerGbkLike(db), SQLITE_OK);
    for (const std::string& c : cases) ours.push_back(eval(c));
    EXPECT_EQ(engine, (std::vector<std::string>{"0", "1", "0", "1"}));
    EXPECT_EQ(ours, (std::vector<std::string>{"1", "0", "1", "0"}));
}

TEST_F(LikeFunction, ArgumentsNullsAndEscapes) {
    ASSERT_EQ(store::registerGbkLike(db), SQLITE_OK);
    EXPECT_EQ(eval("'abc' LIKE 'A%'"), "1");
    EXPECT_EQ(eval("like('A%', 'abc')"), "1");  // the pattern comes first
    EXPECT_EQ(eval("'abc' NOT LIKE 'x%'"), "1");
    EXPECT_EQ(eval("NULL LIKE 'a'"), "NULL");
    EXPECT_EQ(eval("'a' LIKE NULL"), "NULL");
    EXPECT_EQ(eval("'a' LIKE 'a' ESCAPE NULL"), "NULL");
    EXPECT_EQ(eval("'' LIKE ''"), "1");
    EXPECT_EQ(eval("'10%' LIKE '10!%' ESCAPE '!'"), "1");
    EXPECT_EQ(eval("'x' LIKE 'x' ESCAPE '" + kZhong + "'"), "1");
    EXPECT_EQ(eval("'x' LIKE 'x' ESCAPE '!!'"), "error: ESCAPE expression must be a single character");
    EXPECT_EQ(eval("'x' LIKE 'x' ESCAPE ''"), "error: ESCAPE expression must be a single character");
    EXPECT_EQ(eval("123 LIKE '1%'"), "1");  // numbers are compared as their text
}

// A pattern taken from a column changes from row to row: each row is
// matched with its own.
TEST_F(LikeFunction, PatternsThatChangeFromRowToRow) {
    ASSERT_EQ(store::registerGbkLike(db), SQLITE_OK);
    EXPECT_EQ(eval("group_concat(t LIKE p, ',') FROM (SELECT 'abc' t, 'a%' p UNION ALL SELECT 'abc', 'b%' "
                   "UNION ALL SELECT 'abc', '%c' UNION ALL SELECT 'a%', 'a!%' UNION ALL SELECT 'ab', 'a!%')"),
              "1,0,1,0,0");
    EXPECT_EQ(eval("group_concat(t LIKE 'a!%' ESCAPE e, ',') FROM (SELECT 'a%' t, '!' e UNION ALL SELECT 'a!%', '#')"),
              "1,1");
}

TEST_F(LikeFunction, PatternsLongerThanTheLimitAreRefused) {
    ASSERT_EQ(store::registerGbkLike(db), SQLITE_OK);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 10);
    EXPECT_EQ(eval("'a' LIKE '%%%%%%%%%a'"), "1");
    EXPECT_EQ(eval("'a' LIKE '%%%%%%%%%%a'"), "error: LIKE or GLOB pattern too complex");
}

// --- the program's title search ---------------------------------------------

class TitleSearch : public ::testing::Test {
protected:
    void SetUp() override {
        store::openSnippetDatabase(db, path.c_str(), false);
        int folder = insert(1, 0, kZhong + kZhong);
        insert(folder, 1, "Alpha.cpp");
        insert(folder, 1, kDe + kDaiMa + ".txt");
        insert(folder, 1, kTrailLowA + ".py");
        insert(0, 1, "alphabet");
        insert(0, 1, kZhong);
        insert(folder, 0, "alpha folder");
    }

    int insert(int parent, int type, const std::string& title) {
        db.execute(b.format(store::sql::kInsertNode, parent, ++turn, type, -1, store::doubledQuotes(title.c_str()).c_str()));
        return int(db.lastInsertId());
    }

    // The titles found for `word` with their folders, "folder/title".
    std::vector<std::string> search(store::DbConnection& on, const std::string& word) {
        std::string quoted = store::doubledQuotes(word.c_str());
        std::vector<std::string> found;
        for (store::DbQuery q = on.query(b.format(store::sql::kSearchTitles, quoted.c_str(), quoted.c_str())); !q.eof();
             q.nextRow())
            found.push_back(std::string(q.getStringField("FolderTitle")) + "/" + q.getStringField("TextTitle"));
        std::sort(found.begin(), found.end());
        return found;
    }

    testdb::TempDir dir;
    std::string path = dir.path("search.db");
    store::DbConnection db;
    store::DbSqlBuffer b;
    int turn = 1;
};

const std::string kRoot = "\xB8\xF9\xC4\xBF\xC2\xBC";  // 根目录

TEST_F(TitleSearch, FindsChineseWordsAndNoLettersInsideCharacters) {
    const std::string folder = kZhong + kZhong;
    EXPECT_EQ(search(db, kDaiMa), std::vector<std::string>{folder + "/" + kDe + kDaiMa + ".txt"});
    // Not the title whose first character has the trail byte 'a'.
    EXPECT_EQ(search(db, "a"), (std::vector<std::string>{kRoot + "/alphabet", folder + "/Alpha.cpp"}));
    EXPECT_EQ(search(db, "ALPHA"), (std::vector<std::string>{kRoot + "/alphabet", folder + "/Alpha.cpp"}));
    EXPECT_EQ(search(db, kZhong), std::vector<std::string>{kRoot + "/" + kZhong});  // the folder is not listed
    EXPECT_TRUE(search(db, "'").empty());
}

TEST_F(TitleSearch, AnExistingDatabaseIsOpenedWithTheSameLike) {
    db.close();
    store::DbConnection reopened;
    store::openSnippetDatabase(reopened, path.c_str(), true);
    EXPECT_EQ(search(reopened, "a").size(), 2u);

    // A connection opened on its own keeps the engine's LIKE.
    store::DbConnection plain;
    plain.openWithKey(path.c_str(), store::kPassPhrase);
    EXPECT_EQ(search(plain, "a").size(), 3u);
}

}  // namespace
