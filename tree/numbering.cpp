#include "tree/numbering.h"

std::vector<TurnUpdate> shiftForInsert(int newTurn, const std::vector<Sibling>& following) {
    std::vector<TurnUpdate> updates;
    int expected = newTurn;
    for (const Sibling& s : following) {
        // A gap absorbs the new node: this sibling and the later ones keep
        // their turns.
        if (s.turn != expected) break;
        updates.push_back({s.id, s.turn + 1});
        ++expected;
    }
    return updates;
}

MovePlan planMove(std::optional<int> previousTurn, const std::vector<Sibling>& following) {
    MovePlan plan;
    plan.turn = previousTurn ? *previousTurn + 1 : 1;
    int taken = plan.turn;
    for (const Sibling& s : following) {
        // Enough room above the last taken turn: the rest keep theirs.
        if (s.turn - taken >= 1) break;
        plan.shifts.push_back({s.id, s.turn + 1});
        taken = s.turn + 1;
    }
    return plan;
}
