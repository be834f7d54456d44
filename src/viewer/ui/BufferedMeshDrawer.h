#pragma once

#include "viewer/ui/MeshDrawer.h"

#include <vector>

// Draws from buffer objects: the shared vertex positions, normals and colours
// once each, with index buffers for the triangles and for the per-face outlines
// (line loops separated by primitive restart, so each outline is its own
// primitive, exactly as when drawn face by face). Buffers are refilled only after
// meshChanged() or coloursChanged().
class BufferedMeshDrawer final : public MeshDrawer {
public:
    BufferedMeshDrawer() = default;
    BufferedMeshDrawer(const BufferedMeshDrawer&) = delete;
    BufferedMeshDrawer& operator=(const BufferedMeshDrawer&) = delete;

    void drawMesh(const Mesh& mesh, unsigned int primitive) override;
    void drawFaceNormals(const Mesh& mesh) override;
    void meshChanged() override { geometryStale = coloursStale = true; }
    void coloursChanged() override { coloursStale = true; }
    void releaseGL() override;

private:
    void refresh(const Mesh& mesh);

    unsigned int positionBuffer = 0;
    unsigned int normalBuffer = 0;
    unsigned int colourBuffer = 0;
    unsigned int triangleBuffer = 0;
    unsigned int outlineBuffer = 0;
    int faceCount = 0;
    bool geometryStale = true;
    bool coloursStale = true;
    std::vector<float> normalPoints;
    std::vector<float> normalLines;
};
