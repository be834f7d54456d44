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
// An id outside 0..7 draws nothing. The outlines and points are drawn in the
// grey level ink (0 black, 1 white); the bounding box stays green.
void drawRenderMode(int mode, const Mesh& mesh, MeshDrawer& drawer, float ink = 0.0f);

// The picked face (mesh.selected, 1-based) as one red triangle; nothing unless
// 1 <= selected <= numFaces.
void drawSelectedFace(const Mesh& mesh);
// A black point on each face centroid and a red line along its normal, extent /
// 30 long, face by face: the point of one face and the line of the next meet at
// equal depths, where the drawing order decides.
void drawFaceNormals(const Mesh& mesh, float ink = 0.0f);
// The six sides of the bounding box as green line loops over boxCorners.
void drawBoundingBox(const Mesh& mesh);
// A sphere of n latitude bands around c with radius r, each band one primitive
// (GL_QUAD_STRIP gives a closed sphere, GL_LINE_LOOP a zig-zag wire). The bands
// run from -90 to 270 degrees, so the sphere is traced twice.
void drawSphere(const Vector& c, float r, int n, unsigned int primitive);
