#pragma once

#include "viewer/ui/MeshDrawer.h"

// The reference drawing: one glBegin/glEnd per face, attributes per corner. The
// buffered drawer must give the same pixels.
class ImmediateMeshDrawer final : public MeshDrawer {
public:
    void drawMesh(const Mesh& mesh, unsigned int primitive) override;
    void drawFaceNormals(const Mesh& mesh) override;
};
