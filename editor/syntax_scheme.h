// Syntax schemes: the element-based files in Syntax\*.xml, read in two
// ways.  At start-up readSchemeHeader takes each file's id, name and
// extensions into the scheme list; when a text is shown, loadSyntax reads
// the whole file into a SyntaxScheme (delimiters, colours, keywords and
// blocks) that the editor paints with.
//
// The files are searched for literal tags, not parsed as XML.  An element
// is found anywhere below its parent, with nested elements of the same name
// counted, and each element read from a list is taken out of its parent so
// that the next search finds the next one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class SchemeList;

using Colour = std::int32_t;  // 0x00BBGGRR, or kSystemColour
constexpr Colour kSystemColour = -1;

// A colour element's value: a quoted name from the colour table (any
// letter case), six hex digits RRGGBB, anything else black.
Colour parseColour(std::string_view value);

struct KeywordStyle {
    Colour text = kSystemColour;
    Colour back = kSystemColour;
    bool caseSensitive = true;
};

struct BlockDefinition {
    std::string start;
    std::string end;
    Colour text = kSystemColour;
    Colour back = kSystemColour;
    bool multiLine = false;
};

struct SyntaxScheme {
    static constexpr std::size_t kMaxDelimiter = 10;

    std::string wordDelimiters = " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!";
    std::string specialDelimiters = ";.{}\n";
    Colour editText = kSystemColour;
    Colour editBack = kSystemColour;
    Colour selectionText = kSystemColour;  // set from the system by the window
    Colour selectionBack = kSystemColour;
    std::unordered_map<std::string, KeywordStyle> keywords;
    std::vector<BlockDefinition> blocks;  // longest start first; later definitions first among equals

    // Replaces keywords and blocks with the scheme text's, and sets the
    // delimiters and colours it names.
    void load(std::string_view text);
    // Empties keywords and blocks; delimiters and colours stay.
    void clear();

    // Adds a keyword (upper-cased unless case-sensitive; a later definition
    // of the same stored word wins).
    void addKeyword(const std::string& word, const KeywordStyle& style);
    // Adds a block in start-length order; false when rejected (a delimiter
    // over 10 bytes, or a multi-line block without start or end).
    bool addBlock(const BlockDefinition& block);
    // The style of a word: exact match first, else the upper-cased word if
    // that entry is not case-sensitive.  Null when the word is no keyword.
    const KeywordStyle* findKeyword(const std::string& word) const;
};

// Reads the header of one scheme file (ID, NAME, EXTENTION/Ext) and adds an
// entry to `list`; false when the file is skipped (missing tags, an id that
// is already listed).
bool readSchemeHeader(SchemeList& list, const std::string& path, std::string_view content);

// The whole file as bytes; "" when it cannot be read.
std::string readSchemeFile(const std::string& path);
