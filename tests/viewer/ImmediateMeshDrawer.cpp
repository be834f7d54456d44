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
                const Vector c
                    = faceColours ? Vector(mesh.colour(std::size_t(i))) : mesh.vertexColours[v];
                glColor3f(c.x, c.y, c.z);
            }
            const Vector n = faceNormalShading && primitive == GL_TRIANGLES ? Vector(face.normal)
                                                                            : mesh.vertexNormals[v];
            glNormal3f(n.x, n.y, n.z);
            const Vector& p = mesh.corner(face, k);
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
    }
    glPopMatrix();
}
