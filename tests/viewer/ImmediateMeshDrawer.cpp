#include "ImmediateMeshDrawer.h"

#include "mesh/engine/Mesh.h"

#include <GL/gl.h>

void ImmediateMeshDrawer::drawMesh(const Mesh& mesh, unsigned int primitive)
{
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    for (int i = 0; i < mesh.numFaces; ++i) {
        const Face& face = mesh.faces[std::size_t(i)];
        glBegin(GLenum(primitive));
        for (int k = 0; k < 3; ++k) {
            const std::size_t v = std::size_t(face.index[k]);
            if (primitive == GL_TRIANGLES) {
                const Vector& c = mesh.vertexColours[v];
                glColor3f(c.x, c.y, c.z);
            }
            const Vector& n = mesh.vertexNormals[v];
            glNormal3f(n.x, n.y, n.z);
            const Vector* p = face.vertex[k];
            glVertex3f(p->x, p->y, p->z);
        }
        glEnd();
    }
    glPopMatrix();
}

void ImmediateMeshDrawer::drawFaceNormals(const Mesh& mesh)
{
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    const float length = mesh.extent / 30.0f;
    for (int i = 0; i < mesh.numFaces; ++i) {
        const Vector& c = mesh.centroids[std::size_t(i)];
        const Vector tip = c + mesh.faces[std::size_t(i)].normal * length;
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
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
