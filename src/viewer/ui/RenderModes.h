#pragma once

#include "mesh/engine/Vector.h"

class Mesh;
class MeshDrawer;

// Render-mode ids of the Render Mode menu.
enum RenderModeId : int {
    RENDER_WIREFRAME = 0,
    RENDER_WIREFRAME_DOTTED_HL = 1,
    RENDER_WIREFRAME_NO_HL = 2,
    RENDER_POLYGONS_WIREFRAME = 3,
    RENDER_POLYGONS = 4,
    RENDER_POINTS = 5,
    RENDER_FACE_NORMALS = 6,
    RENDER_BOUNDING_BOX = 7,
};

// Draws the mesh in one render mode with its passes and GL state in a fixed
// order; hidden lines go through the depth buffer and polygon offset. Every mode
// ends with lighting on, blending, stipple and offset fill off and line width 2.
// An id outside 0..7 draws nothing.
void drawRenderMode(int mode, const Mesh& mesh, MeshDrawer& drawer);

// The picked face (mesh.selected, 1-based) as one red triangle; nothing unless
// 1 <= selected <= numFaces.
void drawSelectedFace(const Mesh& mesh);
// The six sides of the bounding box as green line loops over boxCorners.
void drawBoundingBox(const Mesh& mesh);
// A sphere of n latitude bands around c with radius r, each band one primitive
// (GL_QUAD_STRIP gives a closed sphere, GL_LINE_LOOP a zig-zag wire). The bands
// run from -90 to 270 degrees, so the sphere is traced twice.
void drawSphere(const Vector& c, float r, int n, unsigned int primitive);
