// Memory running out inside a step, at every allocation the step makes in
// turn: the step ends Failed or Refused (never an escaping bad_alloc), and the
// mesh, the history and the steps are as before.

#include "WorkbenchTestUtil.h"

#include "mesh/engine/Workers.h"

#include <atomic>
#include <barrier>
#include <cstdlib>
#include <new>

// The replacement below pairs operator new with malloc and delete with free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

// Allocations to let through before one fails; negative: none fails.
std::atomic<long> allocationsLeft { -1 };

} // namespace

void* operator new(std::size_t size)
{
    if (allocationsLeft.load(std::memory_order_relaxed) >= 0 && allocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

// The library's temporary buffers ask without throwing; they too must come from
// malloc, for the delete above frees them (and a sanitizer checks the pairing).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

using namespace wbtest;

// The parts of the state a failed step must leave alone, each named.
Parts state(const Workbench& w)
{
    return { { "geometry", { 0, geometry(w.mesh) } },
        { "vertex colours", { 0, bytes(w.mesh.vertexColours) } },
        { "face colours",
            { 0, eachMark(w.mesh, [](const FaceMarks& f) { return bytes(f.colour); }) } },
        { "history", { 0, w.undoName() + "|" + w.redoName() } },
        { "steps", { 0, w.stepsScript() } }, { "modified", { 0, bytes(w.isModified()) } } };
}

// "open" opens another mesh in place of the one there; a failed open names the
// file and leaves the mesh it would have replaced.
TEST(StepMemory, EveryAllocationThatFailsLeavesMeshHistoryAndStepsAsTheyWere)
{
    const TempDir dir;
    const std::string grid = writeGrid(dir, "grid.obj", 6), other = writeGrid(dir, "other.obj", 7);
    const char* const lines[] = {
        "subdivide levels=1",
        "simplify lod=50",
        "classify weight=0.5 mode=dijkstra",
        "reload",
        "height-colours",
        "pick face=3 depth=2 angle=30",
        "undo",
        "terrain resolution=6 scale=64 height=32",
        "open",
    };
    for (const char* line : lines) {
        int failures = 0;
        bool done = false;
        for (long k = 0; k < 20000 && !done; ++k) {
            Workbench w;
            ASSERT_TRUE(w.open(grid));
            runOk(w, "simplify lod=80");
            const auto before = state(w);
            const Step s = step(line);
            const bool open = std::string_view(line) == "open";
            Workbench::StepEnd end { Outcome::Failed, open ? "" : "not ended" };
            allocationsLeft = k;
            try {
                if (!open)
                    w.run(s, [&end](const Workbench::StepEnd& e) { end = e; });
                else if (w.open(other, &end.message))
                    end.outcome = Outcome::Done;
            } catch (const std::bad_alloc&) {
                allocationsLeft = -1;
                FAIL() << line << ": bad_alloc escaped at allocation " << k;
            }
            const bool injected = allocationsLeft.exchange(-1) < 0;
            done = !injected;
            if (end.outcome == Outcome::Done) {
                // A terrain is its own backup: reload must give all of it back.
                if (std::string_view(line).starts_with("terrain")) {
                    const auto corners = [](const Mesh& m) {
                        return bytes(m.vertices)
                            + eachFace(m, [](const Face& f) { return bytes(f.index); });
                    };
                    const std::string made = corners(w.mesh);
                    runOk(w, "reload");
                    ASSERT_EQ(corners(w.mesh), made) << "terrain at allocation " << k;
                }
                continue;
            }
            ++failures;
            EXPECT_TRUE(end.outcome == Outcome::Failed || end.outcome == Outcome::Refused)
                << line << " at allocation " << k << ": " << end.message;
            EXPECT_FALSE(end.message.empty()) << line << " at allocation " << k;
            // Out of memory at once, the step says so in its own words.
            EXPECT_TRUE(k > 0 || std::string_view(line) != "reload"
                || end.message == "not enough memory for reload")
                << end.message;
            ASSERT_EQ(differing(state(w), before), "")
                << line << " at allocation " << k << ": " << end.message;
            EXPECT_TRUE(
                !open || (end.message.find(other) != std::string::npos && w.fileName == grid))
                << end.message;
        }
        EXPECT_TRUE(done) << line;
        EXPECT_GT(failures, 0) << line << ": no allocation failed it";
    }
}

// A shared loop whose threads cannot all start runs no body at all (a body
// may wait at a barrier for the others) and says so as memory running out.
TEST(Workers, AThreadThatCannotStartRunsNoBodyAndThrowsABadAlloc)
{
    for (long k = 0; k < 64; ++k) {
        std::barrier sync(4);
        std::atomic<int> ran { 0 };
        bool threw = false;
        allocationsLeft = k;
        try {
            runWorkers(4, [&](unsigned) {
                ++ran;
                sync.arrive_and_wait();
            });
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool injected = allocationsLeft.exchange(-1) < 0;
        if (!injected) {
            EXPECT_EQ(ran, 4);
            return;
        }
        EXPECT_TRUE(threw) << k;
        EXPECT_TRUE(ran == 0 || ran == 4) << k;
    }
    ADD_FAILURE() << "runWorkers made more than 64 allocations";
}

} // namespace
