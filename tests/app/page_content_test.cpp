// Reading the program's pages for the native stand-in of the web browser.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/page_content.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The page as it ships: gb2312, as the test's own strings are.
std::string page(const char* name) { return readFile(std::string(JEX_PAGES_DIR) + "/" + name + ".html"); }

}  // namespace

TEST(ShippedPages, WelcomeHasHeadingContactsLogoAndSixFeatures) {
    PageContent welcome = readPageContent(page("welcome"));
    EXPECT_EQ(welcome.title, "墨舟");
    EXPECT_EQ(welcome.version, "v1.00");
    ASSERT_GE(welcome.contacts.size(), 3u);
    for (const PageLink& c : welcome.contacts) {
        EXPECT_FALSE(c.label.empty());
        EXPECT_FALSE(c.text.empty());
        EXPECT_TRUE(c.href.rfind("http://", 0) == 0 || c.href.rfind("mailto:", 0) == 0) << c.href;
        EXPECT_EQ(c.href.find('@', c.href.rfind("mailto:", 0) == 0 ? 7 : 0) == std::string::npos,
                  c.href.rfind("mailto:", 0) != 0)
            << "the site address was not filled in: " << c.href;
    }
    EXPECT_EQ(welcome.contacts[0].label, "网站：");
    EXPECT_EQ(welcome.logo, "logo.jpg");
    EXPECT_EQ(welcome.featuresHeading, "特色功能");
    EXPECT_EQ(welcome.features.size(), 6u);
}

TEST(ShippedPages, AboutHasTheSameHeadingAndContactsButNoLogoOrFeatures) {
    PageContent welcome = readPageContent(page("welcome"));
    PageContent about = readPageContent(page("about"));
    EXPECT_EQ(about.title, welcome.title);
    EXPECT_EQ(about.version, welcome.version);
    ASSERT_EQ(about.contacts.size(), welcome.contacts.size());
    for (std::size_t i = 0; i < about.contacts.size(); ++i) {
        EXPECT_EQ(about.contacts[i].label, welcome.contacts[i].label);
        EXPECT_EQ(about.contacts[i].href, welcome.contacts[i].href);
    }
    EXPECT_EQ(about.logo, "");
    EXPECT_TRUE(about.features.empty());
}

TEST(ShippedPages, DeclareTheirCharacterSetAndDocumentType) {
    for (const char* name : {"welcome", "about"}) {
        std::string shipped = page(name);
        EXPECT_NE(shipped.find("charset=gb2312"), std::string::npos) << name;
        EXPECT_NE(shipped.find("XHTML 1.0 Transitional"), std::string::npos) << name;
        EXPECT_EQ(shipped.find("\xE5\xA2\xA8"), std::string::npos) << name << " still holds UTF-8";
    }
}

TEST(PageContent, TextIsCollapsedAndCharacterReferencesDecoded) {
    PageContent p = readPageContent(
        "<body><h2>\n  Name &amp; Co\n <span class='x version'>v&#50;.&#x30;</span></h2>"
        "<div class=\"contact\"><p>Site:&nbsp;<a href=\"http://a.b/?x=1&amp;y=2\">a &lt;b&gt;</a> tail</p></div>"
        "<p class=\"heading\"><b>Features</b></p><ul class=\"features\"><li>one\n two</li><li>&quot;q&apos;</li></ul>");
    EXPECT_EQ(p.title, "Name & Co");
    EXPECT_EQ(p.version, "v2.0");
    ASSERT_EQ(p.contacts.size(), 1u);
    EXPECT_EQ(p.contacts[0].label, "Site:");
    EXPECT_EQ(p.contacts[0].text, "a <b>");
    EXPECT_EQ(p.contacts[0].href, "http://a.b/?x=1&y=2");
    EXPECT_EQ(p.featuresHeading, "Features");
    EXPECT_EQ(p.features, (std::vector<std::string>{"one two", "\"q'"}));
}

TEST(PageContent, CommentsScriptsAndStylesAreNotContent) {
    PageContent p = readPageContent(
        "<!DOCTYPE html><?xml version='1.0'?><style>h2 { x: '<h2>wrong</h2>' }</style>"
        "<script>if (a < b) document.write('<ul class=\"features\"><li>no</li></ul>');</script>"
        "<!-- <h2>commented</h2> --><h2>Right</h2><ul class=\"features\"><li>yes</li></ul>");
    EXPECT_EQ(p.title, "Right");
    EXPECT_EQ(p.features, std::vector<std::string>{"yes"});
}

TEST(PageContent, BrokenOrForeignMarkupNeverFailsAndKeepsWhatItCan) {
    EXPECT_EQ(readPageContent("").title, "");
    EXPECT_EQ(readPageContent("<h2>Unclosed").title, "Unclosed");
    EXPECT_EQ(readPageContent("</p></h2><h2>A</b>B</h2>").title, "AB");
    EXPECT_EQ(readPageContent("<h2>a < b &unknown; &#0; &#99999999; &</h2>").title, "a < b &unknown; &#0; &#99999999; &");
    EXPECT_EQ(readPageContent("<img src=logo.jpg width=1/>").logo, "logo.jpg");
    EXPECT_EQ(readPageContent("<img src=\"never closed").logo, "never closed");
    PageContent p = readPageContent("<UL CLASS=\"features\"><LI>upper</LI><li>unclosed<li>next</ul><h2");
    EXPECT_EQ(p.features, (std::vector<std::string>{"upper", "unclosed", "next"}));
}
