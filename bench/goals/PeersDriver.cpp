// The peers of the goals table as whole processes, each doing what the
// matching facetra-cli command does and nothing more:
//
//   goals_peers tinyobj-read        IN.obj             reads the file only
//   goals_peers openmesh-butterfly  IN.obj OUT.obj     one modified butterfly level, written
//   goals_peers meshopt-simplify    IN.obj PERCENT OUT.obj
//                                   to PERCENT of the faces, written
//
// The processes are timed from outside (goals.sh), so that reading, building
// and writing count as they do for the command they stand beside.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>

#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>
#include <OpenMesh/Tools/Subdivider/Uniform/ModifiedButterFlyT.hh>
#include <meshoptimizer.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool readTiny(const char* path, tinyobj::attrib_t& attrib, std::vector<tinyobj::shape_t>& shapes)
{
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    return tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, nullptr, true)
        && !shapes.empty();
}

int butterfly(const char* in, const char* out)
{
    using OmMesh = OpenMesh::TriMesh_ArrayKernelT<>;
    OmMesh mesh;
    if (!OpenMesh::IO::read_mesh(mesh, in))
        return 1;
    OpenMesh::Subdivider::Uniform::ModifiedButterflyT<OmMesh> subdivider;
    subdivider.attach(mesh);
    subdivider(1);
    subdivider.detach();
    return OpenMesh::IO::write_mesh(mesh, out) ? 0 : 1;
}

int simplify(const char* in, double percent, const char* out)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    if (!readTiny(in, attrib, shapes))
        return 1;
    std::vector<unsigned> indices;
    for (const tinyobj::shape_t& shape : shapes)
        for (const tinyobj::index_t& i : shape.mesh.indices)
            indices.push_back(unsigned(i.vertex_index));
    const std::size_t vertexCount = attrib.vertices.size() / 3;
    std::vector<unsigned> kept(indices.size());
    const std::size_t target = std::size_t(double(indices.size() / 3) * percent / 100.0) * 3;
    kept.resize(meshopt_simplify(kept.data(), indices.data(), indices.size(),
        attrib.vertices.data(), vertexCount, 3 * sizeof(float), target, 1.0f, 0, nullptr));
    // Only the vertices the faces still use are written, renumbered.
    std::vector<unsigned> remap(vertexCount);
    const std::size_t used = meshopt_generateVertexRemap(remap.data(), kept.data(), kept.size(),
        attrib.vertices.data(), vertexCount, 3 * sizeof(float));
    std::vector<float> positions(used * 3);
    meshopt_remapVertexBuffer(
        positions.data(), attrib.vertices.data(), vertexCount, 3 * sizeof(float), remap.data());
    meshopt_remapIndexBuffer(kept.data(), kept.data(), kept.size(), remap.data());
    std::FILE* file = std::fopen(out, "w");
    if (!file)
        return 1;
    for (std::size_t v = 0; v < used; ++v)
        std::fprintf(file, "v %g %g %g\n", double(positions[3 * v]), double(positions[3 * v + 1]),
            double(positions[3 * v + 2]));
    for (std::size_t t = 0; t < kept.size(); t += 3)
        std::fprintf(file, "f %u %u %u\n", kept[t] + 1, kept[t + 1] + 1, kept[t + 2] + 1);
    return std::fclose(file) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string tool = argc > 1 ? argv[1] : "";
    if (tool == "tinyobj-read" && argc == 3) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        return readTiny(argv[2], attrib, shapes) ? 0 : 1;
    }
    if (tool == "openmesh-butterfly" && argc == 4)
        return butterfly(argv[2], argv[3]);
    if (tool == "meshopt-simplify" && argc == 5)
        return simplify(argv[2], std::atof(argv[3]), argv[4]);
    std::fprintf(stderr,
        "usage: goals_peers tinyobj-read IN | openmesh-butterfly IN OUT | "
        "meshopt-simplify IN PERCENT OUT\n");
    return 2;
}
