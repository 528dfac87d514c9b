#include "app/product_page.h"

std::string percentEncode(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_' || c == '.' || c == '~';
        if (plain) {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

std::string productPageUrl(const std::string& site) {
    std::string base = site;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/soft.php?name_en=jexmarlo&name_cn=" + percentEncode("墨舟");
}
