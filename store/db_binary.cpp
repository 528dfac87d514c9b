#include "store/db_binary.h"

#include <climits>
#include <cstring>
#include <new>
#include <stdexcept>

#include "store/binary_text.h"
#include "store/db_exception.h"

namespace store {

namespace {

[[noreturn]] void outOfMemory() { throw CppSQLite3Exception(kLayerError, "Cannot allocate memory"); }

// Lengths are ints; anything whose encoding needs more is refused up front.
void allocate(std::vector<std::uint8_t>& buffer, std::uint64_t size) {
    if (size > std::uint64_t(INT_MAX)) outOfMemory();
    try {
        buffer.assign(std::size_t(size), 0);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    } catch (const std::length_error&) {
        outOfMemory();
    }
}

}  // namespace

void DbBinary::setBinary(const unsigned char* data, int length) {
    if (length < 0) length = 0;
    std::vector<std::uint8_t> buffer;
    allocate(buffer, encodedCapacity(std::uint64_t(length)));
    if (length) std::memcpy(buffer.data(), data, std::size_t(length));
    buffer_.swap(buffer);
    binaryLength_ = length;
    encoded_ = false;
}

void DbBinary::setEncoded(const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    std::vector<std::uint8_t> buffer;
    allocate(buffer, std::uint64_t(length) + 1);
    if (length) std::memcpy(buffer.data(), text, length);
    buffer_.swap(buffer);
    encoded_ = true;
}

const char* DbBinary::getEncoded() {
    if (!encoded_) {
        std::vector<std::uint8_t> encoded;
        allocate(encoded, encodedCapacity(std::uint64_t(binaryLength_)));
        encodeBinary(buffer_.data(), std::size_t(binaryLength_), encoded.data());
        buffer_.swap(encoded);
        encoded_ = true;
    }
    return reinterpret_cast<const char*>(buffer_.data());
}

const unsigned char* DbBinary::getBinary() {
    if (encoded_) {
        std::ptrdiff_t length = decodeBinary(buffer_.data(), buffer_.data());
        if (length < 0) throw CppSQLite3Exception(kLayerError, "Cannot decode binary");
        binaryLength_ = int(length);
        encoded_ = false;
    }
    return buffer_.data();
}

int DbBinary::getBinaryLength() {
    getBinary();
    return binaryLength_;
}

void DbBinary::clear() {
    std::vector<std::uint8_t>().swap(buffer_);
    binaryLength_ = 0;
    encoded_ = false;
}

}  // namespace store
