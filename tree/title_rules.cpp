#include "tree/title_rules.h"

#include "editor/scheme_list.h"

std::string titleExtension(const std::string& title) {
    std::string::size_type dot = title.rfind('.');
    return dot == std::string::npos ? std::string() : title.substr(dot + 1);
}

std::string titleWithoutExtension(const std::string& title) {
    std::string::size_type dot = title.rfind('.');
    // A leading dot names a hidden file (".bashrc"), not an extension.
    if (dot == std::string::npos || dot == 0) return title;
    return title.substr(0, dot);
}

std::string trimBlanks(const std::string& title) {
    const char* const blanks = " \t";
    std::string::size_type first = title.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    std::string::size_type last = title.find_last_not_of(blanks);
    return title.substr(first, last - first + 1);
}

std::string newNodeLabel(int type, int turn) {
    return std::string(type == 1 ? "新建文本" : "新建目录") + std::to_string(turn);
}

int schemeForTitle(const SchemeList& schemes, const std::string& title, int currentSchemeId) {
    std::string ext = titleExtension(title);
    if (ext.empty()) return currentSchemeId;
    const SchemeEntry* scheme = schemes.byExtension(ext);
    return scheme ? scheme->id : -1;
}

std::string iconExtension(const SchemeList& schemes, const std::string& title, int schemeId, bool& hasOwnIcon) {
    std::string ext = titleExtension(title);
    if (!ext.empty()) {
        hasOwnIcon = true;
        return ext;
    }
    if (schemeId == -1) {
        hasOwnIcon = false;
        return std::string();
    }
    // Without an extension of its own a text shows the icon of its scheme's
    // first extension, or the system icon of a file without extension.
    hasOwnIcon = true;
    const SchemeEntry* scheme = schemes.byId(schemeId);
    if (scheme && !scheme->extensions.empty()) return scheme->extensions.front();
    return std::string();
}
