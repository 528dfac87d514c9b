// The one exception type of the database layer.
#pragma once

#include <exception>
#include <string>

namespace store {

// Error code of failures found by the access layer itself.
constexpr int kLayerError = 1000;

class CppSQLite3Exception : public std::exception {
public:
    // `code` is an SQLite result code or kLayerError; the message becomes
    // "<code name>[<code>]: <detail>".
    CppSQLite3Exception(int code, const std::string& detail);

    int errorCode() const { return code_; }
    const char* errorMessage() const { return message_.c_str(); }
    const char* what() const noexcept override { return message_.c_str(); }

    // The name of a result code in messages, "UNKNOWN_ERROR" for codes
    // without one.
    static const char* codeName(int code);

private:
    int code_;
    std::string message_;
};

}  // namespace store
