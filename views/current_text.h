// The pane that follows the current text (memo, attachments), as the code
// view sees it.
#pragma once

#include <string>

class CurrentText {
public:
    // The text shown in the code view changed; 0 = none.
    virtual void setCurrentText(int id) = 0;
    // Reads the text's memo and attachments.
    virtual void loadText(int id) = 0;
    // The pane takes input only while a text is open.
    virtual void enable(bool on) = 0;
    // Forgets the current text and empties the pages.
    virtual void clear() = 0;

    // The memo of the current text: whether one is loaded, its text, and
    // whether it was changed since it was loaded or saved.
    virtual bool memoLoaded() const = 0;
    virtual std::string memoText() const = 0;
    virtual bool memoModified() const = 0;
    virtual void setMemoModified(bool modified) = 0;

protected:
    ~CurrentText() = default;
};
