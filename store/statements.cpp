#include "store/statements.h"

namespace store {

std::string doubledQuotes(const char* text) {
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        out += *p;
        if (*p == '\'') out += '\'';
    }
    return out;
}

}  // namespace store
