#include "viewer/ui/RenderModes.h"

#include "mesh/engine/Mesh.h"
#include "viewer/ui/MeshDrawer.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

namespace {

void enterCentredFrame(const Mesh& mesh)
{
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
}

// Edges drawn dotted and faint through the still empty depth buffer, then the
// faces pushed back into the depth buffer invisibly, then the edges again solid:
// only the visible ones pass the depth test.
void drawDottedHiddenLines(const Mesh& mesh, MeshDrawer& drawer, float ink)
{
    glEnable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_LIGHTING);
    glLineStipple(2, 0xAAAA);
    glEnable(GL_BLEND);
    glEnable(GL_LINE_STIPPLE);
    glColor4f(ink, ink, ink, 0.25f);
    drawer.drawMesh(mesh, GL_LINE_LOOP);
    glDisable(GL_LINE_STIPPLE);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    drawer.drawMesh(mesh, GL_POLYGON);
    glDisable(GL_BLEND);
    glLineWidth(2.0f);
    glColor3f(ink, ink, ink);
    drawer.drawMesh(mesh, GL_LINE_LOOP);
    glEnable(GL_LIGHTING);
    glDisable(GL_POLYGON_OFFSET_FILL);
}

} // namespace

void drawRenderMode(int mode, const Mesh& mesh, MeshDrawer& drawer, float ink)
{
    switch (mode) {
    case RENDER_WIREFRAME:
        glDisable(GL_LIGHTING);
        glColor3f(ink, ink, ink);
        drawer.drawMesh(mesh, GL_LINE_LOOP);
        glEnable(GL_LIGHTING);
        break;
    case RENDER_WIREFRAME_DOTTED_HL:
        drawDottedHiddenLines(mesh, drawer, ink);
        break;
    case RENDER_WIREFRAME_NO_HL:
        glEnable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_LIGHTING);
        glEnable(GL_BLEND);
        glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
        drawer.drawMesh(mesh, GL_POLYGON);
        glColor4f(ink, ink, ink, 1.0f);
        drawer.drawMesh(mesh, GL_LINE_LOOP);
        glEnable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_POLYGON_OFFSET_FILL);
        break;
    case RENDER_POLYGONS_WIREFRAME:
        glEnable(GL_POLYGON_OFFSET_FILL);
        drawer.drawMesh(mesh, GL_TRIANGLES);
        glColor3f(ink, ink, ink);
        glDisable(GL_LIGHTING);
        drawer.drawMesh(mesh, GL_LINE_LOOP);
        glEnable(GL_LIGHTING);
        glDisable(GL_POLYGON_OFFSET_FILL);
        break;
    case RENDER_POLYGONS:
        drawer.drawMesh(mesh, GL_TRIANGLES);
        break;
    case RENDER_POINTS:
        glColor3f(ink, ink, ink);
        glDisable(GL_LIGHTING);
        drawer.drawMesh(mesh, GL_POINTS);
        glEnable(GL_LIGHTING);
        break;
    case RENDER_FACE_NORMALS:
        glDisable(GL_LIGHTING);
        drawFaceNormals(mesh, ink);
        glEnable(GL_LIGHTING);
        drawDottedHiddenLines(mesh, drawer, ink);
        break;
    case RENDER_BOUNDING_BOX:
        glDisable(GL_LIGHTING);
        drawBoundingBox(mesh);
        glEnable(GL_LIGHTING);
        break;
    default:
        break;
    }
}

void drawSelectedFace(const Mesh& mesh)
{
    const int s = mesh.selected;
    if (s < 1 || s > mesh.numFaces) {
        return;
    }
    const Face& face = mesh.faces[std::size_t(s - 1)];
    enterCentredFrame(mesh);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glNormal3f(face.normal.x, face.normal.y, face.normal.z);
    for (int k = 0; k < 3; ++k) {
        const Vector& v = mesh.corner(face, k);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
    glPopMatrix();
}

void drawFaceNormals(const Mesh& mesh, float ink)
{
    enterCentredFrame(mesh);
    const float length = mesh.extent / 30.0f;
    for (int i = 0; i < mesh.numFaces; ++i) {
        const Vector& c = mesh.centroids[std::size_t(i)];
        const Vector tip = c + mesh.faces[std::size_t(i)].normal * length;
        glColor4f(ink, ink, ink, 1.0f);
        glBegin(GL_POINTS);
        glVertex3f(c.x, c.y, c.z);
        glEnd();
        glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
        glBegin(GL_LINES);
        glVertex3f(c.x, c.y, c.z);
        glVertex3f(tip.x, tip.y, tip.z);
        glEnd();
    }
    glPopMatrix();
}

void drawBoundingBox(const Mesh& mesh)
{
    static const int sides[6][4] = { { 0, 1, 2, 3 }, { 3, 2, 5, 4 }, { 4, 7, 6, 5 }, { 0, 1, 6, 7 },
        { 1, 6, 5, 2 }, { 0, 7, 4, 3 } };
    enterCentredFrame(mesh);
    glColor3f(0.0f, 1.0f, 0.0f);
    for (const auto& side : sides) {
        glBegin(GL_LINE_LOOP);
        for (int corner : side) {
            const Vector& v = mesh.boxCorners[corner];
            glVertex3f(v.x, v.y, v.z);
        }
        glEnd();
    }
    glPopMatrix();
}

void drawSphere(const Vector& c, float r, int n, unsigned int primitive)
{
    const double pi = std::numbers::pi;
    const auto emit = [&](double latitude, double longitude) {
        const float ex = float(std::cos(latitude) * std::cos(longitude));
        const float ey = float(std::sin(latitude));
        const float ez = float(std::cos(latitude) * std::sin(longitude));
        glNormal3f(ex, ey, ez);
        glVertex3f(c.x + r * ex, c.y + r * ey, c.z + r * ez);
    };
    for (int j = 0; j < n; ++j) {
        const double t1 = j * 2.0 * pi / n - pi / 2.0;
        const double t2 = (j + 1) * 2.0 * pi / n - pi / 2.0;
        glBegin(GLenum(primitive));
        for (int i = 0; i <= n; ++i) {
            const double t3 = i * 2.0 * pi / n;
            emit(t2, t3);
            emit(t1, t3);
        }
        glEnd();
    }
}
