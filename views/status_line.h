// The main frame's status bar, as the views see it.
#pragma once

#include <string>

class StatusLine {
public:
    // The creation and modification times of the current text
    // ("" while it was never modified).
    virtual void showTextTimes(const std::string& created, const std::string& modified) = 0;
    // No text is current.
    virtual void clearTextTimes() = 0;

protected:
    ~StatusLine() = default;
};
