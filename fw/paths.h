// Paths in the local 8-bit code page.  In GBK the second byte of a Chinese
// character may be 0x5C, so backslashes are found by walking characters,
// never by searching bytes.
#pragma once

#include <string>

// Index of the last backslash that is a character of its own, or npos.
std::size_t lastBackslash(const std::string& path);
bool endsWithBackslash(const std::string& path);
// The path up to and including its last backslash ("" without one).
std::string folderOf(const std::string& path);

// The folder of the running program, with a trailing backslash.
std::string programFolder();
// The system temporary folder + "jexMarlo\", where attachments are opened.
std::string tempAttachmentFolder();

bool fileExists(const std::string& path);     // a file, not a folder
bool folderExists(const std::string& path);
// Removes a folder with everything in it, depth first; failures are ignored.
void removeFolderTree(const std::string& folder);
