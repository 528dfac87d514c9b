// The address of the product's page on the maker's web site.
#pragma once

#include <string>

// `site` + "/soft.php?name_en=jexmarlo&name_cn=墨舟", the Chinese name
// percent-encoded in the program's code page.
std::string productPageUrl(const std::string& site);

// Percent-encodes every byte outside the unreserved URL characters.
std::string percentEncode(const std::string& bytes);
