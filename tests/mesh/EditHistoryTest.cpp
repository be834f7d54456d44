#include "mesh/engine/EditHistory.h"

#include <gtest/gtest.h>

namespace {

// Steps that add to a number: undo and redo must take the right one back,
// in the right order, and the budget must drop the oldest.
struct Counter
{
    int value = 0;
    EditHistory history { 100 };
    int push(const char* name, int delta, std::uint64_t bytes)
    {
        value += delta;
        return history.push(makeEditStep(name, bytes, [this, delta]() mutable {
            value -= delta;
            delta = -delta;
        }));
    }
};

TEST(EditHistory, UndoRedoInOrderAndTheBudgetDropsTheOldest)
{
    Counter c;
    EXPECT_EQ(c.push("a", 1, 40), 0);
    EXPECT_EQ(c.push("b", 10, 40), 0);
    EXPECT_EQ(c.push("c", 100, 40), 1); // a goes
    EXPECT_EQ(c.history.undoCount(), 2u);
    EXPECT_EQ(c.history.bytesHeld(), 80u);

    EXPECT_TRUE(c.history.undo());
    EXPECT_EQ(c.value, 11);
    EXPECT_EQ(c.history.redoName(), "c");
    EXPECT_TRUE(c.history.undo());
    EXPECT_EQ(c.value, 1);
    EXPECT_FALSE(c.history.undo());
    EXPECT_TRUE(c.history.redo());
    EXPECT_EQ(c.value, 11);
    EXPECT_EQ(c.history.undoName(), "b");

    // A new step drops the redo steps and their bytes.
    c.push("d", 1000, 10);
    EXPECT_FALSE(c.history.canRedo());
    EXPECT_EQ(c.history.bytesHeld(), 50u);
    // A step larger than the whole budget cannot be kept at all.
    EXPECT_EQ(c.push("e", 5, 500), 3);
    EXPECT_FALSE(c.history.canUndo());
    EXPECT_EQ(c.history.bytesHeld(), 0u);
}

} // namespace
