// The turn (position among siblings) rules of the snippet tree.  Turns
// ascend from 1 and are unique within a parent; gaps are allowed and stop
// the shifting of later siblings.
#pragma once

#include <optional>
#include <vector>

struct Sibling {
    int id;
    int turn;
};

struct TurnUpdate {
    int id;
    int turn;
    bool operator==(const TurnUpdate& o) const { return id == o.id && turn == o.turn; }
};

// A new node takes `newTurn` right after an anchor; `following` are the
// siblings after the anchor in display order.  Each sibling whose turn
// equals the turn expected at its place (starting with newTurn) moves up by
// one; the first one that differs (a gap) and all after it keep theirs.
std::vector<TurnUpdate> shiftForInsert(int newTurn, const std::vector<Sibling>& following);

struct MovePlan {
    int turn;                         // the moved node's new turn
    std::vector<TurnUpdate> shifts;   // later siblings that move up
};

// A node moved to just after a sibling whose turn is `previousTurn` (none:
// it becomes the first child); `following` are the siblings after its new
// place in display order, the moved node itself not among them.  With c =
// the new turn, each following sibling with turn d stops the walk when
// d - c >= 1, else takes d + 1 and c becomes d + 1.
MovePlan planMove(std::optional<int> previousTurn, const std::vector<Sibling>& following);
