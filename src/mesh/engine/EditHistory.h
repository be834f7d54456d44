#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One change to the mesh being edited. A step keeps only what its change
// replaced; exchange() swaps that with the current state, so the same call
// undoes the change and redoes it.
class EditStep
{
public:
    EditStep(std::string name, std::uint64_t bytes)
        : name(std::move(name))
        , bytes(bytes)
    {
    }
    virtual ~EditStep() = default;
    virtual void exchange() = 0;

    const std::string name;
    const std::uint64_t bytes;
};

template <class Exchange>
std::unique_ptr<EditStep> makeEditStep(std::string name, std::uint64_t bytes, Exchange exchange)
{
    struct Step : EditStep
    {
        Step(std::string n, std::uint64_t b, Exchange e)
            : EditStep(std::move(n), b)
            , swapIt(std::move(e))
        {
        }
        void exchange() override { swapIt(); }
        Exchange swapIt;
    };
    return std::make_unique<Step>(std::move(name), bytes, std::move(exchange));
}

// The steps that can be undone and redone, within a memory budget: a new step
// drops every redo step, then the oldest steps while the kept ones take more
// than the budget (the new step itself too, when it alone is larger).
class EditHistory
{
public:
    // 0: no bound.
    explicit EditHistory(std::uint64_t budgetBytes = 0)
        : budget(budgetBytes)
    {
    }

    // Returns how many steps were dropped to keep within the budget.
    int push(std::unique_ptr<EditStep> step);
    bool canUndo() const { return !done.empty(); }
    bool canRedo() const { return !undone.empty(); }
    // Names of the step Undo and Redo would take; empty when there is none.
    std::string undoName() const { return done.empty() ? std::string() : done.back()->name; }
    std::string redoName() const { return undone.empty() ? std::string() : undone.back()->name; }
    // Each returns false when there is nothing to take.
    bool undo();
    bool redo();
    void clear();

    std::size_t undoCount() const { return done.size(); }
    std::size_t redoCount() const { return undone.size(); }
    std::uint64_t bytesHeld() const { return held; }
    std::uint64_t budget = 0;

private:
    std::deque<std::unique_ptr<EditStep>> done;
    std::vector<std::unique_ptr<EditStep>> undone;
    std::uint64_t held = 0;
};
