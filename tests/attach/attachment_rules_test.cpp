// The add decision's limits and the link-only flag's life, and the rename
// preselection.
#include <gtest/gtest.h>

#include <cstring>

#include "attach/attachment_rules.h"

namespace {

using attach::AddAction;
using attach::AddDecision;
using attach::decideAdd;

void expectDecision(AddDecision d, AddAction action, const char* message = nullptr) {
    EXPECT_EQ(d.action, action);
    if (message)
        EXPECT_STREQ(d.message, message);
    else
        EXPECT_EQ(d.message, nullptr);
}

TEST(AddDecision, StoresUpToFiveMegabytesAndAsksAboveThat) {
    expectDecision(decideAdd(1, false), AddAction::Store);
    expectDecision(decideAdd(5242880, false), AddAction::Store);
    expectDecision(decideAdd(5242881, false), AddAction::AskLink, attach::kLinkQuestion);
    expectDecision(decideAdd(104857600, false), AddAction::AskLink, attach::kLinkQuestion);
}

TEST(AddDecision, RefusesAboveOneHundredMegabytesWhateverTheFlag) {
    for (bool linkOnly : {false, true}) {
        expectDecision(decideAdd(104857601, linkOnly), AddAction::Refuse, attach::kTooLargeMessage);
        // A size that would read as 1 byte if cut to 32 bits.
        expectDecision(decideAdd(4294967297LL, linkOnly), AddAction::Refuse, attach::kTooLargeMessage);
    }
    expectDecision(decideAdd(104857600, true), AddAction::Link);
}

// A file that could not be measured passes the 100 MB test, is too large to
// store, and as a link keeps the size -1.
TEST(AddDecision, UnknownSizeAsksOrLinks) {
    expectDecision(decideAdd(-1, false), AddAction::AskLink, attach::kLinkQuestion);
    expectDecision(decideAdd(-1, true), AddAction::Link);
    expectDecision(attach::decideLink(-1), AddAction::Link);
}

TEST(AddDecision, EmptyFileCanBeLinkedButNotStored) {
    expectDecision(decideAdd(0, false), AddAction::Refuse, attach::kEmptyFileMessage);
    expectDecision(decideAdd(0, true), AddAction::Link);
    expectDecision(attach::decideLink(0), AddAction::Link);
    // The worker's own check, for a file emptied after it was measured.
    expectDecision(attach::decideStore(0), AddAction::Refuse, attach::kEmptyFileMessage);
    expectDecision(attach::decideStore(5242880), AddAction::Store);
}

TEST(AddDecision, LinkingMeasuresAgainAndCancelsAFileThatGrew) {
    expectDecision(attach::decideLink(104857600), AddAction::Link);
    expectDecision(attach::decideLink(104857601), AddAction::Refuse, attach::kLinkTooLargeMessage);
}

// A Yes to the 5 MB question leaves the flag on: a later small file, dropped,
// is linked until the add dialog is confirmed with its box unchecked.
TEST(AddDecision, YesToTheQuestionKeepsLinkingUntilTheDialogSaysOtherwise) {
    bool linkOnly = false;
    expectDecision(attach::answerLinkQuestion(false, linkOnly), AddAction::Nothing);
    EXPECT_FALSE(linkOnly);

    expectDecision(attach::answerLinkQuestion(true, linkOnly), AddAction::Link);
    EXPECT_TRUE(linkOnly);
    expectDecision(decideAdd(1024, linkOnly), AddAction::Link);  // a drop

    attach::confirmAddDialog(false, linkOnly);
    expectDecision(decideAdd(1024, linkOnly), AddAction::Store);
    attach::confirmAddDialog(true, linkOnly);
    expectDecision(decideAdd(1024, linkOnly), AddAction::Link);
}

// The texts reach the program in the code page the message boxes show.
TEST(AddDecision, MessagesAreGbk) {
    EXPECT_EQ(std::strncmp(attach::kEmptyFileMessage, "\xB2\xBB\xC4\xDC", 4), 0);  // 不能
}

TEST(RenamePreselection, SelectsUpToTheLastDot) {
    EXPECT_EQ(attach::renamePreselection("report.final.doc"), 12u);
    EXPECT_EQ(attach::renamePreselection("README"), 6u);
    EXPECT_EQ(attach::renamePreselection(".gitignore"), 0u);
    EXPECT_EQ(attach::renamePreselection("a."), 1u);
    EXPECT_EQ(attach::renamePreselection("\xB1\xA8\xB8\xE6.doc"), 4u);  // 报告.doc, in bytes
    EXPECT_EQ(attach::renamePreselection(""), 0u);
}

}  // namespace
