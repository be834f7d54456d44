#include "segmentation/ui/TraversalView.h"

#include "mesh/engine/Mesh.h"

#include <QFile>
#include <QStringList>

#include <GL/gl.h>

QString segmentExportStatus(const SegmentExportReport& report, const QString& folder)
{
    const auto total = qsizetype(report.written.size()) + qsizetype(report.failed.size());
    if (report.failed.empty()) {
        const auto removed = qsizetype(report.removed.size());
        return QStringLiteral("Saved %1 files in %2").arg(total).arg(folder)
            + (removed == 0 ? QString()
                            : QStringLiteral("; removed %1 segment files of an earlier export")
                                  .arg(removed));
    }
    QStringList names;
    for (const std::string& path : report.failed) {
        names << QFile::decodeName(path.c_str());
    }
    return QStringLiteral("Saved %1 of %2 files in %3; could not write %4")
        .arg(qsizetype(report.written.size()))
        .arg(total)
        .arg(folder, names.join(QStringLiteral(", ")));
}

void drawTraversalOverlay(const Mesh& mesh, const std::vector<int>& reached, bool flat)
{
    if (reached.empty()) {
        return;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_CURRENT_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -1.0f);
    glPushMatrix();
    glTranslatef(-mesh.centre.x, -mesh.centre.y, -mesh.centre.z);
    glColor3f(1.0f, 0.55f, 0.0f);
    glBegin(GL_TRIANGLES);
    for (const int f : reached) {
        if (f >= mesh.numFaces || f == mesh.selected - 1) {
            continue;
        }
        if (mesh.traversed(std::size_t(f)) != 1) {
            continue;
        }
        const Face& face = mesh.faces[std::size_t(f)];
        for (int k = 0; k < 3; ++k) {
            const Vector n
                = flat ? Vector(face.normal) : mesh.vertexNormals[std::size_t(face.index[k])];
            glNormal3f(n.x, n.y, n.z);
            const Vector& p = mesh.corner(face, k);
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
    glPopMatrix();
    glPopAttrib();
}
