// Every scheme file shipped in Syntax/ loads: a header with a unique id and
// extensions, and every block it defines is accepted.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "editor/scheme_list.h"
#include "editor/syntax_scheme.h"

namespace {

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST(ShippedSchemes, EveryFileLoadsWithAUniqueIdAndAcceptedBlocks) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(JEX_SYNTAX_DIR))
        if (entry.path().extension() == ".xml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 20u);

    SchemeList list;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::string text = readSchemeFile(file.string());
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.find('\r'), std::string::npos);
        ASSERT_TRUE(readSchemeHeader(list, file.string(), text)) << "header missing or id taken";
        const SchemeEntry& entry = list.entries().back();
        EXPECT_FALSE(entry.name.empty());
        EXPECT_FALSE(entry.extensions.empty());

        SyntaxScheme scheme;
        scheme.load(text);
        EXPECT_EQ(scheme.blocks.size(), count(text, "<BLOCK>")) << "a block was rejected";
        EXPECT_NE(scheme.editBack, kSystemColour) << "no COLOR_DATA";
    }
    std::set<std::string> extensions;
    for (const SchemeEntry& e : list.entries())
        for (const std::string& ext : e.extensions) EXPECT_TRUE(extensions.insert(ext).second) << "extension " << ext << " listed twice";
}

}  // namespace
#endif
