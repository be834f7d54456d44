#pragma once

class Mesh;

// Draws a mesh's faces for the render modes. The view owns one; the render-mode
// passes (GL state, order) are the same whichever drawer does the drawing, so a
// drawer only decides how the vertices reach GL.
//
// Every call expects the view's GL context to be current and the modelview to
// hold the view transform and rotation; drawing happens in the mesh's centred
// frame, and the matrix is restored afterwards.
class MeshDrawer
{
public:
    virtual ~MeshDrawer() = default;

    // The faces as GL_POINTS, GL_LINE_LOOP, GL_TRIANGLES or GL_POLYGON, each face
    // on its own: line loops outline every triangle, shared edges twice. Only
    // triangles take the vertex colours; the others use the current colour.
    virtual void drawMesh(const Mesh& mesh, unsigned int primitive) = 0;
    // Whatever the drawer keeps from the mesh (buffers) is out of date.
    virtual void meshChanged() { }
    // Vertex colours alone changed.
    virtual void coloursChanged() { meshChanged(); }
    // Frees GL resources; the context is current.
    virtual void releaseGL() { }

    // Lit triangles take each face's stored normal at all three corners (flat
    // shading) instead of the vertex normals: shows filtered face normals.
    bool faceNormalShading = false;
    // Face normals alone changed.
    virtual void faceNormalsChanged() { }
    // Triangles take each face's own colour (Face::colour, the same at its three
    // corners) instead of the vertex colours; tools that colour faces show their
    // result this way.
    void setFaceColours(bool on)
    {
        if (on != faceColours) {
            faceColours = on;
            coloursChanged();
        }
    }
    bool faceColoursShown() const { return faceColours; }

protected:
    bool faceColours = false;
};
