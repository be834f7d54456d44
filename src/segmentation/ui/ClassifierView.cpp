#include "segmentation/ui/ClassifierView.h"

#include "mesh/engine/Mesh.h"

#include <GL/gl.h>

#include <algorithm>

ClassifierView::ClassifierView(Mesh& m)
    : mesh(m)
{
    classifier.mesh = &mesh;
}

void ClassifierView::reset()
{
    classifier.reset();
    shownPatch = -1;
}

bool ClassifierView::classify(Progress* progress)
{
    const bool done = classifier.classifyMesh(mesh, progress);
    if (done)
        shownPatch = -1;
    return done;
}

bool ClassifierView::repartition(int n)
{
    n = std::min(n, int(classifier.seeds.size()));
    if (n < 1 || !classifier.partition(n))
        return false;
    shownPatch = std::min(shownPatch, n - 1);
    return true;
}

void ClassifierView::browse(int patch)
{
    shownPatch = patch;
}

void ClassifierView::setThreshold(int percent)
{
    threshold = percent;
}

void ClassifierView::setWeight(float weight)
{
    classifier.weight = double(weight);
}

void ClassifierView::setMode(int mode)
{
    classifier.spMode = mode;
}

bool ClassifierView::load(const QString& name)
{
    classifier.mesh = &mesh;
    return classifier.load(name.toLatin1().toStdString());
}

bool ClassifierView::save(const QString& name)
{
    return classifier.save(name.toLatin1().toStdString());
}

void ClassifierView::drawOverlay() const
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
            glVertex3f(face.vertex[k]->x, face.vertex[k]->y, face.vertex[k]->z);
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
