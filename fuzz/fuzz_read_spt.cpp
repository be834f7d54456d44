// libFuzzer entry for shortest-path tables (".spt"): the first byte picks a
// small mesh, the rest is loaded as its table; a table that loads is then
// classified from and re-partitioned, and the result must index the mesh's
// faces.

#include "FuzzCommon.h"

#include "segmentation/engine/Mesh_Classifier.h"

#include <algorithm>

namespace {

// A triangle; two triangles no path joins; a tetrahedron; an octahedron.
const char* const meshes[] = {
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 0 0\nv 6 0 0\nv 5 1 0\nf 1 2 3\nf 4 5 6\n",
    "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n",
    "v 1 0 0\nv -1 0 0\nv 0 1 0\nv 0 -1 0\nv 0 0 1\nv 0 0 -1\nf 1 3 5\nf 3 2 5\nf 2 4 5\n"
    "f 4 1 5\nf 3 1 6\nf 2 3 6\nf 4 2 6\nf 1 4 6\n",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string& path = fuzzing::inputPath("spt");
    const std::unique_ptr<Mesh> held = fuzzing::meshFromText(meshes[data[0] % std::size(meshes)]);
    Mesh& mesh = *held;
    if (!fuzzing::writeInput(path, data + 1, size - 1))
        return 0;
    Mesh_Classifier classifier;
    classifier.mesh = &mesh;
    if (!classifier.load(path)) {
        // Refused: the next classification builds its own table.
        if (!classifier.tableWillBeBuilt())
            std::abort();
        return 0;
    }
    const std::size_t faces = std::size_t(mesh.numFaces);
    if (classifier.tableWillBeBuilt() || !classifier.classifyMesh(mesh, nullptr))
        std::abort();
    const auto require = [](bool ok) {
        if (!ok)
            std::abort();
    };
    require(!classifier.seeds.empty());
    for (int seed : classifier.seeds)
        require(seed >= 0 && std::size_t(seed) < faces);
    require(classifier.numPatches >= 0
        && std::size_t(classifier.numPatches) <= classifier.seeds.size());
    require(classifier.memberships.size() == std::size_t(classifier.numPatches));
    for (const auto& row : classifier.memberships)
        require(row.size() == faces);
    // The fewest, the most and the count found.
    const int counts[] = { 1, int(classifier.seeds.size()), std::max(1, classifier.numPatches) };
    for (int n : counts) {
        require(classifier.partition(n));
        require(classifier.patchOfFace.size() == faces);
        for (int patch : classifier.patchOfFace)
            require(patch >= 0 && patch < n);
    }
    return 0;
}
