#include "mesh/engine/EditHistory.h"

// Each change below grows its list before it moves anything, so that memory
// running out leaves the history as it was.

int EditHistory::push(std::unique_ptr<EditStep> step)
{
    const std::uint64_t bytes = step->bytes;
    done.push_back(std::move(step));
    for (const auto& s : undone)
        held -= s->bytes;
    undone.clear();
    held += bytes;
    int dropped = 0;
    while (budget > 0 && held > budget && !done.empty()) {
        held -= done.front()->bytes;
        done.pop_front();
        ++dropped;
    }
    return dropped;
}

bool EditHistory::undo()
{
    if (done.empty())
        return false;
    undone.reserve(undone.size() + 1);
    std::unique_ptr<EditStep> step = std::move(done.back());
    done.pop_back();
    step->exchange();
    undone.push_back(std::move(step));
    return true;
}

bool EditHistory::redo()
{
    if (undone.empty())
        return false;
    done.push_back(std::move(undone.back()));
    undone.pop_back();
    done.back()->exchange();
    return true;
}

void EditHistory::clear()
{
    done.clear();
    undone.clear();
    held = 0;
}
