// One statement text built by the engine's own formatter, which besides the
// usual conversions knows "%q" (quotes doubled) and "%Q" (the same, wrapped
// in quotes, or NULL).
#pragma once

namespace store {

class DbSqlBuffer {
public:
    DbSqlBuffer() = default;
    ~DbSqlBuffer();
    DbSqlBuffer(const DbSqlBuffer&) = delete;
    DbSqlBuffer& operator=(const DbSqlBuffer&) = delete;

    // Formats a new text, freeing the previous one.  Throws
    // CppSQLite3Exception (1000, "Cannot allocate memory") when the engine
    // cannot allocate it.
    const char* format(const char* templ, ...);
    const char* text() const { return text_; }
    void clear();

private:
    char* text_ = nullptr;
};

}  // namespace store
