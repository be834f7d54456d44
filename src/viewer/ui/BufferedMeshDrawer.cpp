// Buffer objects are GL 1.5 and primitive restart 3.1: take their prototypes from
// the system headers before anything includes gl.h.
#define GL_GLEXT_PROTOTYPES 1
#include "viewer/ui/BufferedMeshDrawer.h"

#include "mesh/engine/Mesh.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::uint32_t kRestart = 0xFFFFFFFFu;

template <class T> void fillBuffer(unsigned int& buffer, GLenum target, const std::vector<T>& data)
{
    if (buffer == 0) {
        glGenBuffers(1, &buffer);
    }
    glBindBuffer(target, buffer);
    glBufferData(target, GLsizeiptr(data.size() * sizeof(T)), data.data(), GL_STATIC_DRAW);
    glBindBuffer(target, 0);
}

} // namespace

void BufferedMeshDrawer::refresh(const Mesh& mesh)
{
    const std::size_t nf = std::size_t(mesh.numFaces);
    if (geometryStale) {
        const std::size_t nv = std::size_t(mesh.numVertices);
        // Vertices are renumbered in the order the faces first use them, so
        // that the corners of neighbouring faces lie close together and the
        // vertex cache of the pipeline shades each shared vertex once. The face
        // order, and with it the picture, stays as it is.
        slotOf.assign(nv, -1);
        vertexOrder.clear();
        vertexOrder.reserve(nv);
        std::vector<std::uint32_t> triangles(nf * 3);
        std::vector<std::uint32_t> outlines(nf * 4);
        std::vector<std::uint32_t> polygons(nf * 3);
        for (std::size_t f = 0; f < nf; ++f) {
            const Face& face = mesh.faces[f];
            for (std::size_t k = 0; k < 3; ++k) {
                int& slot = slotOf[std::size_t(face.index[k])];
                if (slot < 0) {
                    slot = int(vertexOrder.size());
                    vertexOrder.push_back(face.index[k]);
                }
                triangles[f * 3 + k] = std::uint32_t(slot);
                outlines[f * 4 + k] = std::uint32_t(slot);
            }
            outlines[f * 4 + 3] = kRestart;
            // GL turns a polygon into triangles that end on its first corner (the
            // provoking vertex); the same corner order gives the same depths.
            for (std::size_t k = 0; k < 3; ++k) {
                polygons[f * 3 + k] = triangles[f * 3 + (k + 1) % 3];
            }
        }
        fillBuffer(polygonBuffer, GL_ELEMENT_ARRAY_BUFFER, polygons);
        fillBuffer(positionBuffer, GL_ARRAY_BUFFER, packed(mesh.vertices));
        fillBuffer(normalBuffer, GL_ARRAY_BUFFER, packed(mesh.vertexNormals));
        fillBuffer(triangleBuffer, GL_ELEMENT_ARRAY_BUFFER, triangles);
        fillBuffer(outlineBuffer, GL_ELEMENT_ARRAY_BUFFER, outlines);
        faceCount = int(nf);
        geometryStale = false;
    }
    if (faceColours && cornersStale) {
        std::vector<float> positions(nf * 9), normals(nf * 9);
        for (std::size_t f = 0; f < nf; ++f) {
            const Face& face = mesh.faces[f];
            for (std::size_t k = 0; k < 3; ++k) {
                const Vector& p = mesh.corner(face, k);
                const Vector& n = mesh.vertexNormals[std::size_t(face.index[k])];
                const std::size_t at = f * 9 + k * 3;
                positions[at] = p.x, positions[at + 1] = p.y, positions[at + 2] = p.z;
                normals[at] = n.x, normals[at + 1] = n.y, normals[at + 2] = n.z;
            }
        }
        fillBuffer(cornerPositionBuffer, GL_ARRAY_BUFFER, positions);
        fillBuffer(cornerNormalBuffer, GL_ARRAY_BUFFER, normals);
        cornersStale = false;
        coloursStale = true;
    }
    if (coloursStale) {
        fillBuffer(colourBuffer, GL_ARRAY_BUFFER, packed(mesh.vertexColours));
        if (faceColours) {
            std::vector<float> colours(nf * 9);
            for (std::size_t f = 0; f < nf; ++f) {
                const PackedVector c = mesh.colour(f);
                for (std::size_t at = f * 9; at < f * 9 + 9; at += 3) {
                    colours[at] = c.x, colours[at + 1] = c.y, colours[at + 2] = c.z;
                }
            }
            fillBuffer(faceColourBuffer, GL_ARRAY_BUFFER, colours);
        }
        coloursStale = false;
    }
}

std::vector<float> BufferedMeshDrawer::packed(std::span<const Vector> values) const
{
    std::vector<float> out(vertexOrder.size() * 3);
    for (std::size_t i = 0; i < vertexOrder.size(); ++i) {
        const Vector& v = values[std::size_t(vertexOrder[i])];
        out[i * 3] = v.x;
        out[i * 3 + 1] = v.y;
        out[i * 3 + 2] = v.z;
    }
    return out;
}

void BufferedMeshDrawer::drawFlatTriangles(const Mesh& mesh)
{
    if (flatStale) {
        const std::size_t nf = std::size_t(mesh.numFaces);
        std::vector<float> corners(nf * 27);
        float* out = corners.data();
        for (std::size_t f = 0; f < nf; ++f) {
            const Face& face = mesh.faces[f];
            for (int k = 0; k < 3; ++k) {
                const Vector& p = mesh.corner(face, k);
                const Vector& c = faceColours ? Vector(mesh.colour(f))
                                              : mesh.vertexColours[std::size_t(face.index[k])];
                const float values[9]
                    = { p.x, p.y, p.z, face.normal.x, face.normal.y, face.normal.z, c.x, c.y, c.z };
                out = std::copy(values, values + 9, out);
            }
        }
        fillBuffer(flatBuffer, GL_ARRAY_BUFFER, corners);
        flatFaceCount = int(nf);
        flatStale = false;
    }
    if (flatFaceCount == 0) {
        return;
    }
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    const GLsizei stride = 9 * sizeof(float);
    glBindBuffer(GL_ARRAY_BUFFER, flatBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, nullptr);
    glNormalPointer(GL_FLOAT, stride, reinterpret_cast<const void*>(3 * sizeof(float)));
    glColorPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(6 * sizeof(float)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDrawArrays(GL_TRIANGLES, 0, flatFaceCount * 3);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glPopMatrix();
}

void BufferedMeshDrawer::drawMesh(const Mesh& mesh, unsigned int primitive)
{
    if (faceNormalShading && primitive == GL_TRIANGLES) {
        drawFlatTriangles(mesh);
        return;
    }
    refresh(mesh);
    if (faceCount == 0) {
        return;
    }
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);

    const GLsizei stride = 3 * sizeof(float);
    if (faceColours && primitive == GL_TRIANGLES) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, cornerPositionBuffer);
        glVertexPointer(3, GL_FLOAT, stride, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, cornerNormalBuffer);
        glNormalPointer(GL_FLOAT, stride, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, faceColourBuffer);
        glColorPointer(3, GL_FLOAT, stride, nullptr);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDrawArrays(GL_TRIANGLES, 0, faceCount * 3);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glPopMatrix();
        return;
    }
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
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, polygonBuffer);
        glDrawElements(GL_TRIANGLES, faceCount * 3, GL_UNSIGNED_INT, nullptr);
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

void BufferedMeshDrawer::releaseGL()
{
    unsigned int buffers[] = { positionBuffer, normalBuffer, colourBuffer, triangleBuffer,
        polygonBuffer, outlineBuffer, cornerPositionBuffer, cornerNormalBuffer, faceColourBuffer };
    glDeleteBuffers(9, buffers);
    glDeleteBuffers(1, &flatBuffer);
    flatBuffer = 0;
    flatStale = true;
    positionBuffer = normalBuffer = colourBuffer = 0;
    triangleBuffer = polygonBuffer = outlineBuffer = 0;
    cornerPositionBuffer = cornerNormalBuffer = faceColourBuffer = 0;
    geometryStale = coloursStale = cornersStale = true;
}
