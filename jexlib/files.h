// Files of an export or an import: created without ever replacing one,
// read whole, named in UTF-8 on every system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace jexlib {

namespace fs = std::filesystem;

// The path named by UTF-8 text, and back.
fs::path pathFromUtf8(std::string_view utf8);
// The path as a person reads it (UTF-8, without the long-path prefix that
// fullPath adds on Windows).
std::string utf8Path(const fs::path& path);
// The path without that prefix, for comparing paths made both ways.
fs::path withoutLongPrefix(const fs::path& path);

// `path` made absolute, and on Windows written so that the length limit of
// old file calls (260 characters) does not apply.
fs::path fullPath(const fs::path& path);

enum class Created { Yes, Exists, Failed };

// Creates the file `path` holding `bytes`.  An existing file (under any
// spelling the file system takes for the same name) is left alone: Exists.
// On Failed, `error` says why and no partial file is left.
Created createFile(const fs::path& path, std::string_view bytes, std::string& error);

// The whole content of `path`; false with `error` set when it cannot be read.
bool readFile(const fs::path& path, std::string& bytes, std::string& error);

// The system's text for the last failed C library call.
std::string systemError();

}  // namespace jexlib
