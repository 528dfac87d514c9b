// Where texts are opened for editing (the code view), as the snippet tree
// sees it.
#pragma once

#include <string>

class TextWorkspace {
public:
    // Opens the text (or brings its tab forward) and makes it current.
    virtual void openText(const std::string& title, int id, int schemeId) = 0;
    // The text was renamed or given another scheme.
    virtual void textChanged(const std::string& title, int id, int schemeId) = 0;
    // Closes the text if it is open; an unsaved one only after the user
    // agreed.  Returns whether it is closed now.
    virtual bool closeText(int id) = 0;
    // Closes the text without asking and without saving (its rows are gone).
    virtual void discardText(int id) = 0;

protected:
    ~TextWorkspace() = default;
};
