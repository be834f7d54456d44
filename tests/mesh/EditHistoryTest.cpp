#include "mesh/engine/EditHistory.h"

#include <gtest/gtest.h>

namespace {

// Undo and redo order, their names and the budget dropping the oldest steps
// are proved through the workbench (Rules.UndoAndRedoRestoreEveryState... and
// History.ABudgetDropsTheOldestStepsAndSaysSo). Here what it never reaches:
// redo steps dropped by a new one give back their bytes, and a step larger
// than the whole budget is not kept at all.
TEST(EditHistory, DroppedRedoStepsGiveBackTheirBytesAndAnOversizedStepIsNotKept)
{
    EditHistory history { 100 };
    const auto push = [&history](const char* name, std::uint64_t bytes) {
        return history.push(makeEditStep(name, bytes, [] {}));
    };
    EXPECT_EQ(push("a", 40) + push("b", 40), 0);
    EXPECT_TRUE(history.undo());
    push("c", 10);
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.bytesHeld(), 50u);
    EXPECT_EQ(push("d", 500), 3);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.bytesHeld(), 0u);
}

} // namespace
