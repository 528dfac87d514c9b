// Finding a text in the snippet tree, as the search results see it.
#pragma once

class Navigator {
public:
    // Finds the text with this id (listing folders on the way), selects and
    // opens it.
    virtual void locateAndOpen(int nodeId) = 0;

protected:
    ~Navigator() = default;
};
