#include "app/page_content.h"

#include <memory>

namespace {

// A small element tree: enough of the page to find its parts by tag and class.
struct Node {
    std::string tag;  // "" for a text node
    std::string text;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<std::unique_ptr<Node>> children;

    std::string attribute(std::string_view name) const {
        for (const auto& a : attributes)
            if (a.first == name) return a.second;
        return {};
    }
    bool hasClass(std::string_view name) const {
        std::string classes = attribute("class");
        std::size_t start = 0;
        while (start < classes.size()) {
            std::size_t end = classes.find(' ', start);
            if (end == std::string::npos) end = classes.size();
            if (std::string_view(classes).substr(start, end - start) == name) return true;
            start = end + 1;
        }
        return false;
    }
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string decodeEntities(std::string_view raw) {
    static const struct {
        const char* name;
        char value;
    } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::size_t semi = raw[i] == '&' ? raw.find(';', i) : std::string_view::npos;
        if (semi == std::string_view::npos || semi - i > 8) {
            out += raw[i];
            continue;
        }
        std::string_view name = raw.substr(i + 1, semi - i - 1);
        bool known = false;
        if (name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            unsigned long code = 0;
            bool digits = name.size() > (hex ? 2u : 1u);
            for (char c : name.substr(hex ? 2 : 1)) {
                int d = c >= '0' && c <= '9' ? c - '0'
                        : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : -1;
                if (d < 0 || code > 0xFFFF) digits = false;
                if (d >= 0) code = code * (hex ? 16 : 10) + unsigned(d);
            }
            if (digits && code > 0 && code < 128) {
                out += char(code);
                known = true;
            }
        } else {
            for (const auto& e : kNamed)
                if (name == e.name) {
                    out += e.value;
                    known = true;
                }
        }
        if (known)
            i = semi;
        else
            out += raw[i];
    }
    return out;
}

bool isVoid(const std::string& tag) {
    return tag == "br" || tag == "img" || tag == "meta" || tag == "link" || tag == "hr" || tag == "input";
}

class Reader {
public:
    explicit Reader(std::string_view s) : s_(s) {}

    std::unique_ptr<Node> read() {
        auto root = std::make_unique<Node>();
        root->tag = "#document";
        std::vector<Node*> open{root.get()};
        while (pos_ < s_.size()) {
            if (s_[pos_] != '<') {
                std::size_t end = s_.find('<', pos_);
                if (end == std::string_view::npos) end = s_.size();
                addText(*open.back(), s_.substr(pos_, end - pos_));
                pos_ = end;
            } else if (s_.substr(pos_, 4) == "<!--") {
                skipPast("-->");
            } else if (s_.substr(pos_, 2) == "<!" || s_.substr(pos_, 2) == "<?") {
                skipPast(">");
            } else if (s_.substr(pos_, 2) == "</") {
                pos_ += 2;
                std::string tag = lower(name());
                skipPast(">");
                // Close up to the matching element; a stray end tag is ignored.
                for (std::size_t i = open.size(); i-- > 1;)
                    if (open[i]->tag == tag) {
                        open.resize(i);
                        break;
                    }
            } else {
                ++pos_;
                auto node = std::make_unique<Node>();
                node->tag = lower(name());
                if (node->tag.empty()) {  // a lone '<' is text
                    addText(*open.back(), "<");
                    continue;
                }
                bool selfClosing = attributes(*node);
                // A list item or paragraph left open ends where the next one starts.
                if ((node->tag == "li" || node->tag == "p") && open.back()->tag == node->tag) open.pop_back();
                Node* raw = node.get();
                open.back()->children.push_back(std::move(node));
                if (raw->tag == "script" || raw->tag == "style") {
                    skipPast("</" + raw->tag);
                    skipPast(">");
                } else if (!selfClosing && !isVoid(raw->tag)) {
                    open.push_back(raw);
                }
            }
        }
        return root;
    }

private:
    void addText(Node& parent, std::string_view raw) {
        auto text = std::make_unique<Node>();
        text->text = decodeEntities(raw);
        parent.children.push_back(std::move(text));
    }

    void skipPast(std::string_view end) {
        std::size_t at = s_.find(end, pos_);
        pos_ = at == std::string_view::npos ? s_.size() : at + end.size();
    }

    std::string name() {
        std::size_t start = pos_;
        while (pos_ < s_.size() && !isSpace(s_[pos_]) && s_[pos_] != '>' && s_[pos_] != '/' && s_[pos_] != '=' &&
               s_[pos_] != '<')
            ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }

    // Reads the attributes up to the tag's end; true for "/>".
    bool attributes(Node& node) {
        while (pos_ < s_.size()) {
            while (pos_ < s_.size() && isSpace(s_[pos_])) ++pos_;
            if (pos_ >= s_.size()) return false;
            if (s_[pos_] == '>') {
                ++pos_;
                return false;
            }
            if (s_.substr(pos_, 2) == "/>") {
                pos_ += 2;
                return true;
            }
            std::string key = lower(name());
            if (key.empty()) {  // a character that cannot start a name
                ++pos_;
                continue;
            }
            std::string value;
            if (pos_ < s_.size() && s_[pos_] == '=') {
                ++pos_;
                if (pos_ < s_.size() && (s_[pos_] == '"' || s_[pos_] == '\'')) {
                    char quote = s_[pos_++];
                    std::size_t end = s_.find(quote, pos_);
                    if (end == std::string_view::npos) end = s_.size();
                    value = decodeEntities(s_.substr(pos_, end - pos_));
                    pos_ = end < s_.size() ? end + 1 : end;
                } else {
                    value = name();
                }
            }
            node.attributes.emplace_back(std::move(key), std::move(value));
        }
        return false;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

void appendRawText(const Node& node, std::string& out) {
    out += node.text;
    for (const auto& c : node.children) appendRawText(*c, out);
}

// The node's text with runs of white space collapsed to one blank and no
// blanks at either end, as a browser shows it.
std::string textOf(const Node& node) {
    std::string raw;
    appendRawText(node, raw);
    std::string out;
    bool space = false;
    for (char c : raw) {
        if (isSpace(c)) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

template <typename Pred>
const Node* findFirst(const Node& node, Pred pred) {
    if (pred(node)) return &node;
    for (const auto& c : node.children)
        if (const Node* found = findFirst(*c, pred)) return found;
    return nullptr;
}

template <typename Pred>
void findAll(const Node& node, Pred pred, std::vector<const Node*>& out) {
    if (pred(node)) out.push_back(&node);
    for (const auto& c : node.children) findAll(*c, pred, out);
}

auto tagIs(std::string_view tag) {
    return [tag](const Node& n) { return n.tag == tag; };
}

auto classIs(std::string_view name) {
    return [name](const Node& n) { return !n.tag.empty() && n.hasClass(name); };
}

void readHeading(const Node& h2, PageContent& page) {
    std::string all = textOf(h2);
    if (const Node* version = findFirst(h2, classIs("version"))) {
        page.version = textOf(*version);
        std::size_t at = all.rfind(page.version);
        if (!page.version.empty() && at != std::string::npos) all.erase(at, page.version.size());
        while (!all.empty() && isSpace(all.back())) all.pop_back();
    }
    page.title = all;
}

PageLink readContact(const Node& line) {
    PageLink link;
    bool beforeLink = true;
    for (const auto& c : line.children) {
        if (c->tag == "a" && link.href.empty()) {
            link.href = c->attribute("href");
            link.text = textOf(*c);
            beforeLink = false;
        } else if (beforeLink) {
            link.label += textOf(*c);
        }
    }
    return link;
}

}  // namespace

PageContent readPageContent(std::string_view xhtml) {
    std::unique_ptr<Node> root = Reader(xhtml).read();
    PageContent page;
    if (const Node* h2 = findFirst(*root, tagIs("h2"))) readHeading(*h2, page);
    if (const Node* contact = findFirst(*root, classIs("contact"))) {
        std::vector<const Node*> lines;
        findAll(*contact, tagIs("p"), lines);
        for (const Node* line : lines) page.contacts.push_back(readContact(*line));
    }
    if (const Node* img = findFirst(*root, tagIs("img"))) page.logo = img->attribute("src");
    if (const Node* heading = findFirst(*root, classIs("heading"))) page.featuresHeading = textOf(*heading);
    if (const Node* list = findFirst(*root, [](const Node& n) { return n.tag == "ul" && n.hasClass("features"); })) {
        for (const auto& c : list->children)
            if (c->tag == "li") page.features.push_back(textOf(*c));
    }
    return page;
}
