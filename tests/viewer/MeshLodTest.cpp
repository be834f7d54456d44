#include "TestUtil.h"

#include "mesh/engine/Build.h"
#include "viewer/engine/MeshLod.h"

#include <cmath>

namespace {

// A bumpy sheet of (n - 1)^2 * 2 faces.
void makeSheet(Mesh& mesh, int n)
{
    testutil::makeGrid(
        mesh, n, [](int j, int i) { return 3.0f * std::sin(0.3f * j) * std::cos(0.2f * i); });
    build(mesh, { MESH_CENTRE, MESH_CENTROIDS, MESH_VERTEX_NORMALS, MESH_BB });
}

} // namespace

// The first level an eighth of the faces, each further one about a quarter of
// the one before, down to a few thousand faces;
// every triangle over the mesh's vertices and standing for a face around one of
// its corners. Small meshes get none, and a stop leaves nothing half made.
TEST(MeshLod, LevelsQuarterTheFacesAndStandForFacesAroundTheirCorners)
{
    Mesh mesh;
    makeSheet(mesh, 201); // 80,000 faces
    const LodSource source = LodSource::of(mesh);
    const std::vector<LodLevel> levels = buildLodLevels(source);
    ASSERT_EQ(levels.size(), 2u); // 10,000 and 2,500; 625 would be too few
    int target = mesh.numFaces / 2;
    for (const LodLevel& level : levels) {
        target /= 4;
        EXPECT_LE(level.faceCount(), target + target / 2);
        EXPECT_GE(level.faceCount(), target / 2);
        ASSERT_EQ(level.corners.size(), std::size_t(level.faceCount()) * 3);
        for (int t = 0; t < level.faceCount(); ++t) {
            const int f = level.sourceFace[std::size_t(t)];
            ASSERT_TRUE(f >= 0 && f < mesh.numFaces);
            bool touches = false;
            for (int k = 0; k < 3; ++k) {
                const int v = int(level.corners[std::size_t(t) * 3 + std::size_t(k)]);
                ASSERT_LT(v, mesh.numVertices);
                const int* c = mesh.faces[std::size_t(f)].index;
                touches = touches || c[0] == v || c[1] == v || c[2] == v;
            }
            EXPECT_TRUE(touches) << t;
        }
    }

    Mesh small;
    makeSheet(small, 60); // 6,962 faces
    EXPECT_TRUE(buildLodLevels(LodSource::of(small)).empty());
    std::atomic<bool> stop { true };
    EXPECT_TRUE(buildLodLevels(source, &stop).empty());
}

// A level's mesh shows what the full mesh shows: the vertex colours and normals
// of its vertices, the colour, normal and highlight of the faces its triangles
// stand for, also after those change; and it sits where the mesh does.
TEST(MeshLod, LevelMeshCarriesTheMeshsColoursNormalsAndHighlights)
{
    Mesh mesh;
    makeSheet(mesh, 121);
    const std::vector<LodLevel> levels = buildLodLevels(LodSource::of(mesh));
    ASSERT_FALSE(levels.empty());
    const LodLevel& level = levels.front();
    const auto paint = [&](float shade) {
        for (int v = 0; v < mesh.numVertices; ++v)
            mesh.vertexColours[std::size_t(v)] = Vector(shade, float(v % 7) / 7.0f, 0.5f, 1.0f);
        for (int f = 0; f < mesh.numFaces; ++f) {
            Face& face = mesh.faces[std::size_t(f)];
            face.colour = Vector(float(f % 5) / 5.0f, shade, 0.0f, 1.0f);
            face.normal = Vector(0.0f, shade, 1.0f, 0.0f);
            face.traversed = f % 3 == 0 ? 1 : 0;
        }
    };
    const auto expectCarried = [&](const LodMesh& lod) {
        ASSERT_EQ(lod.mesh.numFaces, level.faceCount());
        for (int v = 0; v < lod.mesh.numVertices; ++v) {
            const std::size_t full = std::size_t(lod.fullVertex[std::size_t(v)]);
            ASSERT_EQ(lod.mesh.vertices[std::size_t(v)], mesh.vertices[full]);
            ASSERT_EQ(lod.mesh.vertexColours[std::size_t(v)], mesh.vertexColours[full]);
            ASSERT_EQ(lod.mesh.vertexNormals[std::size_t(v)], mesh.vertexNormals[full]);
        }
        for (int t = 0; t < lod.mesh.numFaces; ++t) {
            const Face& face = lod.mesh.faces[std::size_t(t)];
            const std::size_t source = std::size_t(level.sourceFace[std::size_t(t)]);
            const Face& from = mesh.faces[source];
            ASSERT_EQ(face.colour, from.colour);
            ASSERT_EQ(face.normal, from.normal);
            ASSERT_EQ(face.traversed, from.traversed);
            ASSERT_EQ(lod.mesh.centroids[std::size_t(t)], mesh.centroids[source]);
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(std::uint32_t(lod.fullVertex[std::size_t(face.index[k])]),
                    level.corners[std::size_t(t) * 3 + std::size_t(k)]);
            }
        }
        EXPECT_EQ(lod.mesh.centre, mesh.centre);
        EXPECT_EQ(lod.mesh.boxCorners[1], mesh.boxCorners[1]);
    };
    paint(0.25f);
    LodMesh lod;
    lod.build(mesh, level);
    expectCarried(lod);
    paint(0.75f);
    lod.refreshAttributes(mesh, level);
    expectCarried(lod);
}
