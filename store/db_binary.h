// A byte buffer held either as binary data or in the binary-to-text
// encoding stored in the database; it converts between the two on demand.
#pragma once

#include <cstdint>
#include <vector>

namespace store {

class DbBinary {
public:
    // Takes a copy of `length` bytes.  Throws CppSQLite3Exception (1000,
    // "Cannot allocate memory") when the encoding of that many bytes would not
    // fit in memory the layer can address.
    void setBinary(const unsigned char* data, int length);
    // Takes a copy of an encoded, zero-terminated text.
    void setEncoded(const char* text);

    // The encoded text, zero-terminated.
    const char* getEncoded();
    // The decoded bytes; throws (1000, "Cannot decode binary") on a bad text.
    const unsigned char* getBinary();
    int getBinaryLength();

    void clear();

private:
    std::vector<std::uint8_t> buffer_;
    int binaryLength_ = 0;
    bool encoded_ = false;
};

}  // namespace store
