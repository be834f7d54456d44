#pragma once

#include "mesh/engine/Vector.h"
#include "viewer/ui/MeshDrawer.h"

#include <span>
#include <vector>

// Draws from buffer objects: the shared vertex positions, normals and colours
// once each, with index buffers for the triangles, for the polygons (corners in
// the order GL itself gives a polygon's triangle) and for the per-face outlines
// (line loops separated by primitive restart, so each outline is its own
// primitive). Faces keep their order, so the pixels are those of drawing face by
// face. Buffers are refilled only after meshChanged() or coloursChanged().
class BufferedMeshDrawer final : public MeshDrawer
{
public:
    BufferedMeshDrawer() = default;
    BufferedMeshDrawer(const BufferedMeshDrawer&) = delete;
    BufferedMeshDrawer& operator=(const BufferedMeshDrawer&) = delete;

    void drawMesh(const Mesh& mesh, unsigned int primitive) override;
    void meshChanged() override { geometryStale = coloursStale = flatStale = cornersStale = true; }
    void coloursChanged() override { coloursStale = flatStale = true; }
    void faceNormalsChanged() override { flatStale = true; }
    void releaseGL() override;

private:
    void refresh(const Mesh& mesh);
    // Face-normal shading: every corner on its own (position, face normal,
    // colour interleaved), drawn face by face as an array; the colour is the
    // face's own when face colours are shown.
    void drawFlatTriangles(const Mesh& mesh);
    // x, y, z of each buffer slot's vertex.
    std::vector<float> packed(std::span<const Vector> values) const;

    unsigned int positionBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int colourBuffer = 0;
    unsigned int triangleBuffer = 0;
    unsigned int polygonBuffer = 0;
    unsigned int outlineBuffer = 0;
    // Face colours need a colour per face, so those triangles are drawn from
    // per-corner copies of the positions and normals instead of the shared ones.
    unsigned int cornerPositionBuffer = 0;
    unsigned int cornerNormalBuffer = 0;
    unsigned int faceColourBuffer = 0;
    bool cornersStale = true;
    int faceCount = 0;
    bool geometryStale = true;
    bool coloursStale = true;
    unsigned int flatBuffer = 0;
    int flatFaceCount = 0;
    bool flatStale = true;
    // Mesh vertex of each buffer slot, and the slot of each mesh vertex (-1
    // for a vertex no face uses).
    std::vector<int> vertexOrder;
    std::vector<int> slotOf;
};
