#include "segmentation/ui/ClassifierView.h"

#include "mesh/engine/Mesh.h"
#include "segmentation/engine/Mesh_Classifier.h"

#include <GL/gl.h>

#include <algorithm>

void drawClassifierOverlay(
    const Mesh& mesh, const ClassifierState& classifier, int shownPatch, int threshold)
{
    const int patches = std::min(classifier.numPatches, int(classifier.seeds.size()));
    if (patches <= 0 || mesh.numFaces <= 0)
        return;
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    const auto corners = [&](int f) {
        const Face& face = mesh.faces[std::size_t(f)];
        for (int k = 0; k < 3; ++k) {
            const Vector& n = mesh.vertexNormals[std::size_t(face.index[k])];
            glNormal3f(n.x, n.y, n.z);
            const Vector& p = mesh.corner(face, k);
            glVertex3f(p.x, p.y, p.z);
        }
    };
    if (shownPatch >= 0 && shownPatch < int(classifier.memberships.size())) {
        const std::vector<float>& u = classifier.memberships[std::size_t(shownPatch)];
        glEnable(GL_BLEND);
        glColor4f(1.0f, 1.0f, 1.0f, 0.6f);
        glBegin(GL_TRIANGLES);
        for (int f = 0; f < mesh.numFaces && f < int(u.size()); ++f)
            if (u[std::size_t(f)] * 100.0f >= float(threshold))
                corners(f);
        glEnd();
        glDisable(GL_BLEND);
    }
    glColor3f(1.0f, 1.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    for (int p = 0; p < patches; ++p) {
        const int seed = classifier.seeds[std::size_t(p)];
        if (seed >= 0 && seed < mesh.numFaces)
            corners(seed);
    }
    glEnd();
    glPopMatrix();
}
