// What the program's HTML pages say, read from the page itself so that the
// native stand-in for the web browser shows exactly the page's content.
//
// The reader understands the well-formed XHTML the program ships: elements,
// attributes, text, comments, the doctype, and the character references
// &amp; &lt; &gt; &quot; &apos; &nbsp; &#N; and &#xN; (below 128).  It never
// fails: whatever it cannot read is skipped, and what is missing stays empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct PageLink {
    std::string label;  // the text before the link, e.g. "网站："
    std::string text;   // the link's own text
    std::string href;
};

struct PageContent {
    std::string title;    // the page heading without its version
    std::string version;  // e.g. "v1.00"
    std::vector<PageLink> contacts;
    std::string logo;  // the picture's source, "" when the page has none
    std::string featuresHeading;
    std::vector<std::string> features;
};

// The page's heading (<h2>, its <span class="version">), the contact lines
// (each <p> inside the element of class "contact"), the first <img>, the
// element of class "heading" and the items of <ul class="features">.
PageContent readPageContent(std::string_view xhtml);
