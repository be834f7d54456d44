// Buffer objects are GL 1.5 and primitive restart 3.1: take their prototypes from
// the system headers before anything includes gl.h.
#define GL_GLEXT_PROTOTYPES 1
#include "viewer/ui/BufferedMeshDrawer.h"

#include "mesh/engine/Mesh.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr std::uint32_t kRestart = 0xFFFFFFFFu;

void fillBuffer(unsigned int& buffer, GLenum target, std::size_t bytes, const void* data)
{
    if (buffer == 0)
        glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, GLsizeiptr(bytes), data, GL_STATIC_DRAW);
    glBindBuffer(target, 0);
}

} // namespace

void BufferedMeshDrawer::refresh(const Mesh& mesh)
{
    if (geometryStale) {
        const std::size_t nv = std::size_t(mesh.numVertices);
        const std::size_t nf = std::size_t(mesh.numFaces);
        fillBuffer(positionBuffer, GL_ARRAY_BUFFER, nv * sizeof(Vector), mesh.vertices.data());
        fillBuffer(normalBuffer, GL_ARRAY_BUFFER, nv * sizeof(Vector), mesh.vertexNormals.data());
        std::vector<std::uint32_t> triangles(nf * 3);
        std::vector<std::uint32_t> outlines(nf * 4);
        for (std::size_t f = 0; f < nf; ++f) {
            const Face& face = mesh.faces[f];
            for (std::size_t k = 0; k < 3; ++k) {
                triangles[f * 3 + k] = std::uint32_t(face.index[k]);
                outlines[f * 4 + k] = std::uint32_t(face.index[k]);
            }
            outlines[f * 4 + 3] = kRestart;
        }
        fillBuffer(triangleBuffer, GL_ELEMENT_ARRAY_BUFFER, triangles.size() * 4,
                   triangles.data());
        fillBuffer(outlineBuffer, GL_ELEMENT_ARRAY_BUFFER, outlines.size() * 4, outlines.data());
        faceCount = int(nf);
        geometryStale = false;
    }
    if (coloursStale) {
        fillBuffer(colourBuffer, GL_ARRAY_BUFFER,
                   std::size_t(mesh.numVertices) * sizeof(Vector), mesh.vertexColours.data());
        coloursStale = false;
    }
}

void BufferedMeshDrawer::drawMesh(const Mesh& mesh, unsigned int primitive)
{
    refresh(mesh);
    if (faceCount == 0)
        return;
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);

    const GLsizei stride = sizeof(Vector);
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    glVertexPointer(3, GL_FLOAT, stride, nullptr);
    const bool lit = primitive == GL_TRIANGLES;
    if (lit) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
        glNormalPointer(GL_FLOAT, stride, nullptr);
        glEnableClientState(GL_COLOR_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, colourBuffer);
        glColorPointer(3, GL_FLOAT, stride, nullptr);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    switch (primitive) {
    case GL_LINE_LOOP:
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, outlineBuffer);
        glEnable(GL_PRIMITIVE_RESTART);
        glPrimitiveRestartIndex(kRestart);
        glDrawElements(GL_LINE_LOOP, faceCount * 4, GL_UNSIGNED_INT, nullptr);
        glDisable(GL_PRIMITIVE_RESTART);
        break;
    case GL_POLYGON:
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, outlineBuffer);
        glEnable(GL_PRIMITIVE_RESTART);
        glPrimitiveRestartIndex(kRestart);
        glDrawElements(GL_POLYGON, faceCount * 4, GL_UNSIGNED_INT, nullptr);
        glDisable(GL_PRIMITIVE_RESTART);
        break;
    case GL_TRIANGLES:
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, triangleBuffer);
        glDrawElements(GL_TRIANGLES, faceCount * 3, GL_UNSIGNED_INT, nullptr);
        break;
    case GL_POINTS:
        // Every corner of every face, in face order, as when drawn face by face.
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, triangleBuffer);
        glDrawElements(GL_POINTS, faceCount * 3, GL_UNSIGNED_INT, nullptr);
        break;
    default:
        break;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    if (lit) {
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
}

void BufferedMeshDrawer::drawFaceNormals(const Mesh& mesh)
{
    const std::size_t nf = std::size_t(mesh.numFaces);
    if (nf == 0)
        return;
    // Face normals and centroids change with picking and the tools; they are
    // gathered every frame this mode is shown.
    normalPoints.resize(nf * 3);
    normalLines.resize(nf * 6);
    const float length = mesh.extent / 30.0f;
    for (std::size_t i = 0; i < nf; ++i) {
        const Vector& c = mesh.centroids[i];
        const Vector tip = c + mesh.faces[i].normal * length;
        float* p = &normalPoints[i * 3];
        p[0] = c.x, p[1] = c.y, p[2] = c.z;
        float* l = &normalLines[i * 6];
        l[0] = c.x, l[1] = c.y, l[2] = c.z;
        l[3] = tip.x, l[4] = tip.y, l[5] = tip.z;
    }
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glVertexPointer(3, GL_FLOAT, 0, normalPoints.data());
    glDrawArrays(GL_POINTS, 0, GLsizei(nf));
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glVertexPointer(3, GL_FLOAT, 0, normalLines.data());
    glDrawArrays(GL_LINES, 0, GLsizei(nf * 2));
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
}

void BufferedMeshDrawer::releaseGL()
{
    unsigned int buffers[] = { positionBuffer, normalBuffer, colourBuffer, triangleBuffer,
                               outlineBuffer };
    glDeleteBuffers(5, buffers);
    positionBuffer = normalBuffer = colourBuffer = triangleBuffer = outlineBuffer = 0;
    geometryStale = coloursStale = true;
}
