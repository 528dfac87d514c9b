#include "store/db_sql_buffer.h"

#include <sqlite3.h>

#include <cstdarg>

#include "store/db_exception.h"

namespace store {

DbSqlBuffer::~DbSqlBuffer() { clear(); }

const char* DbSqlBuffer::format(const char* templ, ...) {
    clear();
    va_list args;
    va_start(args, templ);
    text_ = sqlite3_vmprintf(templ, args);
    va_end(args);
    if (!text_) throw CppSQLite3Exception(kLayerError, "Cannot allocate memory");
    return text_;
}

void DbSqlBuffer::clear() {
    sqlite3_free(text_);
    text_ = nullptr;
}

}  // namespace store
