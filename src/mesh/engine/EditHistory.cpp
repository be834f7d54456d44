#include "mesh/engine/EditHistory.h"

int EditHistory::push(std::unique_ptr<EditStep> step)
{
    for (const auto& s : undone)
        held -= s->bytes;
    undone.clear();
    held += step->bytes;
    done.push_back(std::move(step));
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
    std::unique_ptr<EditStep> step = std::move(undone.back());
    undone.pop_back();
    step->exchange();
    done.push_back(std::move(step));
    return true;
}

void EditHistory::clear()
{
    done.clear();
    undone.clear();
    held = 0;
}
