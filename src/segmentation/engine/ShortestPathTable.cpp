#include "segmentation/engine/ShortestPathTable.h"
#include "mesh/engine/Refusal.h"

#include "mesh/engine/MemoryInfo.h"
#include "mesh/engine/Progress.h"
#include "mesh/engine/WriteObj.h"
#include "mesh/engine/Workers.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <string>

namespace {

// A monotone priority queue for Dijkstra: non-negative floats order as their
// bit patterns, and keys never fall below the last one taken, so entries sit in
// buckets by the highest bit in which they differ from it.
class RadixHeap
{
public:
    void clear()
    {
        for (auto& b : buckets)
            b.clear();
        count = 0;
        last = 0;
    }
    bool empty() const { return count == 0; }
    void push(float key, int node)
    {
        const std::uint32_t k = std::bit_cast<std::uint32_t>(key);
        buckets[bucketOf(k)].push_back({ k, node });
        ++count;
    }
    std::pair<float, int> pop()
    {
        if (buckets[0].empty()) {
            std::size_t i = 1;
            while (buckets[i].empty())
                ++i;
            std::uint32_t smallest = buckets[i][0].key;
            for (const Item& item : buckets[i])
                smallest = std::min(smallest, item.key);
            last = smallest;
            for (const Item& item : buckets[i])
                buckets[bucketOf(item.key)].push_back(item);
            buckets[i].clear();
        }
        const Item item = buckets[0].back();
        buckets[0].pop_back();
        --count;
        return { std::bit_cast<float>(item.key), item.node };
    }

private:
    struct Item
    {
        std::uint32_t key;
        int node;
    };
    std::size_t bucketOf(std::uint32_t k) const
    {
        return k == last ? 0 : std::size_t(32 - std::countl_zero(k ^ last));
    }
    std::vector<Item> buckets[33];
    std::size_t count = 0;
    std::uint32_t last = 0;
};

// report() on the calling thread while workers run: a stop is turned into
// `quit` for them to see, and thrown later by checkStop() once they are joined.
void reportOrQuit(Progress* progress, const char* stage, double fraction, std::atomic<bool>& quit)
{
    try {
        progress->report(stage, fraction);
    } catch (const RunCancelled&) {
        quit.store(true, std::memory_order_relaxed);
    }
}

} // namespace

std::int64_t ShortestPathTable::entriesFor(int n)
{
    return std::int64_t(0.5 * double(n) * double(n) + double(n));
}

bool ShortestPathTable::allocate(int n)
{
    clear();
    std::int64_t maxFaces = 0;
    while (entriesFor(int(maxFaces)) <= 98304000)
        ++maxFaces;
    const std::int64_t entries = entriesFor(n);
    std::printf("MAX mesh triangles: %d\n", int(maxFaces));
    std::printf("Allocating: %.2fMB\n", double(float(entries * 12) * (1.0f / 1048576.0f)));
    std::printf("Size: %lld\n", static_cast<long long>(entries));
    if (entries > std::int64_t(INT_MAX)) {
        std::printf("Reached INT_MAX!!!\n");
        std::fflush(stdout);
        return false;
    }
    // The distances and a copy-free margin for the per-edge costs and the
    // workers' scratch rows.
    const std::uint64_t need = std::uint64_t(entries) * sizeof(float) + std::uint64_t(n) * 64;
    const std::uint64_t room = memoryLimit > 0 ? memoryLimit : availableMemoryBytes();
    if (room > 0 && need > room) {
        sayRefusal("Shortest path table refused: %.2fMB needed for %d faces, %.2fMB available",
            double(need) / 1048576.0, n, double(room) / 1048576.0);
        std::fflush(stdout);
        return false;
    }
    distance.reset(new (std::nothrow) float[std::size_t(entries)]);
    if (!distance) {
        sayRefusal("Shortest path table refused: %.2fMB for %d faces could not be allocated",
            double(need) / 1048576.0, n);
        std::fflush(stdout);
        return false;
    }
    count = n;
    size = entries;
    // The positions past the last pair go into .spt files; keep them defined.
    const std::int64_t used = rowStart(n);
    std::fill(distance.get() + used, distance.get() + entries, 0.0f);
    return true;
}

void ShortestPathTable::clear()
{
    distance.reset();
    costs.clear();
    costs.shrink_to_fit();
    count = 0;
    size = 0;
}

void ShortestPathTable::setCost(int i, int j, float cost)
{
    costs.push_back({ std::min(i, j), std::max(i, j), cost });
}

void ShortestPathTable::fullRow(int i, float* out) const
{
    const float* r = row(i);
    std::copy(r, r + i + 1, out);
    for (int j = i + 1; j < count; ++j)
        out[j] = distance[std::size_t(rowStart(j) + i)];
}

void ShortestPathTable::buildAdjacency(
    std::vector<int>& adjStart, std::vector<int>& adjFace, std::vector<float>& adjCost) const
{
    // The last cost set for a pair counts; a cost of 0 joins nothing.
    std::vector<Pair> pairs = costs;
    std::stable_sort(pairs.begin(), pairs.end(),
        [](const Pair& a, const Pair& b) { return a.lo != b.lo ? a.lo < b.lo : a.hi < b.hi; });
    std::vector<Pair> last;
    last.reserve(pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const bool final = k + 1 == pairs.size() || pairs[k + 1].lo != pairs[k].lo
            || pairs[k + 1].hi != pairs[k].hi;
        if (final && pairs[k].cost != 0.0f && pairs[k].lo != pairs[k].hi)
            last.push_back(pairs[k]);
    }
    adjStart.assign(std::size_t(count) + 1, 0);
    for (const Pair& p : last) {
        ++adjStart[std::size_t(p.lo) + 1];
        ++adjStart[std::size_t(p.hi) + 1];
    }
    for (int i = 0; i < count; ++i)
        adjStart[std::size_t(i) + 1] += adjStart[std::size_t(i)];
    adjFace.resize(last.size() * 2);
    adjCost.resize(last.size() * 2);
    std::vector<int> fill(adjStart.begin(), adjStart.end() - 1);
    for (const Pair& p : last) {
        const int a = fill[std::size_t(p.lo)]++;
        adjFace[std::size_t(a)] = p.hi;
        adjCost[std::size_t(a)] = p.cost;
        const int b = fill[std::size_t(p.hi)]++;
        adjFace[std::size_t(b)] = p.lo;
        adjCost[std::size_t(b)] = p.cost;
    }
}

void ShortestPathTable::initialiseDistances(const Progress* progress)
{
    // Up to 2^31 entries: filled in slices, so that a stop is heard meanwhile.
    const std::int64_t end = rowStart(count);
    constexpr std::int64_t slice = std::int64_t(1) << 22;
    for (std::int64_t at = 0; at < end; at += slice) {
        if (progress)
            progress->checkStop();
        std::fill(distance.get() + at, distance.get() + std::min(end, at + slice), kUnreachable);
    }
    std::vector<Pair> pairs = costs;
    // Later settings of a pair win, as in a dense cost array; a final 0 unjoins.
    for (const Pair& p : pairs)
        at(p.hi, p.lo) = p.cost != 0.0f ? p.cost : kUnreachable;
    for (int i = 0; i < count; ++i)
        at(i, i) = 0.0f;
}

void ShortestPathTable::floyd(Progress* progress)
{
    if (empty())
        return;
    initialiseDistances(progress);
    const int n = count;
    const unsigned workers = workerCount(double(n) * n);
    // Rows are shared out by stored area, so every worker gets a like share of
    // the triangle; columns (the gather) evenly.
    std::vector<int> rowEnd(workers + 1, 0), colEnd(workers + 1, 0);
    for (unsigned w = 0; w <= workers; ++w) {
        rowEnd[w] = int(std::lround(n * std::sqrt(double(w) / workers)));
        colEnd[w] = int(std::int64_t(n) * w / workers);
    }
    std::vector<float> column(static_cast<std::size_t>(n));
    std::barrier sync(static_cast<std::ptrdiff_t>(workers));
    float* d = distance.get();
    // Set only while the rows of a step are worked on and read by all after
    // the step's last barrier, so every worker leaves after the same step.
    std::atomic<bool> quit { false };
    runWorkers(workers, [&](unsigned w) {
        for (int k = 0; k < n; ++k) {
            for (int j = colEnd[w]; j < colEnd[w + 1]; ++j)
                column[std::size_t(j)] = j <= k ? d[rowStart(k) + j] : d[rowStart(j) + k];
            sync.arrive_and_wait();
            if (w == 0 && progress && (k & 63) == 0)
                reportOrQuit(progress, "Floyd", double(k) / n, quit);
            const float* c = column.data();
            for (int i = rowEnd[w]; i < rowEnd[w + 1]; ++i) {
                // A step over a big table takes tens of milliseconds.
                if (progress && (i & 255) == 0 && progress->stopRequested()) {
                    quit.store(true, std::memory_order_relaxed);
                    break;
                }
                const float dik = c[i];
                // Every entry is at most 1e9 and so is every candidate through
                // an unreachable k: nothing could change.
                if (dik >= kUnreachable)
                    continue;
                float* r = d + rowStart(i);
                for (int j = 0; j <= i; ++j) {
                    const float candidate = dik + c[j];
                    r[j] = candidate < r[j] ? candidate : r[j];
                }
            }
            sync.arrive_and_wait();
            if (quit.load(std::memory_order_relaxed))
                return;
        }
    });
    if (progress)
        progress->report("Floyd", 1.0);
}

void ShortestPathTable::dijkstra(Progress* progress)
{
    if (empty())
        return;
    const int n = count;
    std::vector<int> adjStart, adjFace;
    std::vector<float> adjCost;
    buildAdjacency(adjStart, adjFace, adjCost);
    std::atomic<int> nextSource { 0 };
    std::atomic<int> done { 0 };
    std::atomic<bool> quit { false };
    const unsigned workers = workerCount(double(n) * n);
    float* d = distance.get();
    runWorkers(workers, [&](unsigned w) {
        const float inf = std::numeric_limits<float>::infinity();
        std::vector<float> dist(static_cast<std::size_t>(n), inf);
        std::vector<int> touched;
        RadixHeap heap;
        for (int s = nextSource++; s < n; s = nextSource++) {
            if (progress && (quit.load(std::memory_order_relaxed) || progress->stopRequested()))
                return;
            // Only faces 0 .. s go into row s: stop once they are all settled.
            int unsettled = s + 1;
            dist[std::size_t(s)] = 0.0f;
            touched.push_back(s);
            heap.clear();
            heap.push(0.0f, s);
            float* r = d + rowStart(s);
            std::fill(r, r + s + 1, kUnreachable);
            while (!heap.empty() && unsettled > 0) {
                const auto [du, u] = heap.pop();
                if (du > dist[std::size_t(u)])
                    continue;
                if (u <= s) {
                    r[u] = du;
                    --unsettled;
                }
                for (int a = adjStart[std::size_t(u)]; a < adjStart[std::size_t(u) + 1]; ++a) {
                    const int v = adjFace[std::size_t(a)];
                    const float dv = du + adjCost[std::size_t(a)];
                    if (dv < dist[std::size_t(v)]) {
                        if (dist[std::size_t(v)] == inf)
                            touched.push_back(v);
                        dist[std::size_t(v)] = dv;
                        heap.push(dv, v);
                    }
                }
            }
            r[s] = 0.0f;
            for (int v : touched)
                dist[std::size_t(v)] = inf;
            touched.clear();
            const int finished = ++done;
            if (w == 0 && progress && (finished & 63) == 0)
                reportOrQuit(progress, "Dijkstra", double(finished) / n, quit);
        }
    });
    if (progress)
        progress->report("Dijkstra", 1.0);
}

bool ShortestPathTable::writeFile(const std::string& name, const Progress* progress) const
{
    static_assert(std::endian::native == std::endian::little, "the .spt file is little-endian");
    const std::size_t bytes = distance ? std::size_t(size) * sizeof(float) : 0;
    return writeBytesReplacing(
        name, reinterpret_cast<const char*>(distance.get()), bytes, progress);
}

ShortestPathTable::ReadResult ShortestPathTable::readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in)
        return ReadResult::CannotOpen;
    const std::streamoff length = in.tellg();
    if (!distance || length != std::streamoff(size) * std::streamoff(sizeof(float)))
        return ReadResult::WrongSize;
    in.seekg(0);
    in.read(reinterpret_cast<char*>(distance.get()), length);
    return in ? ReadResult::Ok : ReadResult::WrongSize;
}
