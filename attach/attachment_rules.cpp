#include "attach/attachment_rules.h"

namespace attach {

AddDecision decideAdd(std::int64_t size, bool linkOnly) {
    if (size > kLinkLimit) return {AddAction::Refuse, kTooLargeMessage};
    if (linkOnly) return {AddAction::Link};
    // Compared unsigned, so that an unknown size (-1) is too large to store.
    if (std::uint64_t(size) <= std::uint64_t(kStoreLimit)) return decideStore(size);
    return {AddAction::AskLink, kLinkQuestion};
}

AddDecision answerLinkQuestion(bool yes, bool& linkOnly) {
    if (!yes) return {AddAction::Nothing};
    linkOnly = true;
    return {AddAction::Link};
}

AddDecision decideLink(std::int64_t size) {
    if (size > kLinkLimit) return {AddAction::Refuse, kLinkTooLargeMessage};
    return {AddAction::Link};
}

AddDecision decideStore(std::int64_t length) {
    if (length == 0) return {AddAction::Refuse, kEmptyFileMessage};
    return {AddAction::Store};
}

std::size_t renamePreselection(std::string_view title) {
    std::size_t dot = title.rfind('.');
    return dot == std::string_view::npos ? title.size() : dot;
}

}  // namespace attach
