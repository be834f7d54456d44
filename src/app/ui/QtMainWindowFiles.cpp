// The window's File menu: opening (dialogue, Open Recent, a drop, the command
// line), saving, the segmented export, and the questions asked before unsaved
// work would be put aside.
#include "app/ui/QtMainWindow.h"

#include "app/ui/ThreadedToolRunner.h"
#include "segmentation/engine/SegmentExport.h"
#include "segmentation/ui/TraversalView.h"
#include "viewer/ui/QtGLWidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <cstdio>

namespace {

std::string encoded(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString decoded(const std::string& name)
{
    return QFile::decodeName(name.c_str());
}

// Every suffix a reader takes, "All meshes" first; each also gzip-compressed.
const QString openFilter = QStringLiteral(
    "All meshes (*.obj *.net *.ply *.stl *.off *.gts *.obj.gz *.net.gz *.ply.gz *.stl.gz "
    "*.off.gz *.gts.gz);;Wavefront OBJ (*.obj *.obj.gz);;Net (*.net *.net.gz);;"
    "PLY (*.ply *.ply.gz);;STL (*.stl *.stl.gz);;OFF (*.off *.off.gz);;GTS (*.gts *.gts.gz)");
// The writers, chosen by the suffix of the name.
const QString saveFilter = QStringLiteral("Wavefront OBJ (*.obj);;PLY (*.ply);;STL (*.stl);;"
                                          "OFF (*.off);;Compressed (*.obj.gz *.ply.gz *.stl.gz "
                                          "*.off.gz)");

constexpr int recentFileCount = 8;
const QString recentFilesKey = QStringLiteral("recentFiles");
// Names a question lists before it only counts the rest.
constexpr qsizetype namesListed = 6;

} // namespace

// ---- The questions before work is put aside

QString QtMainWindow::documentName() const
{
    return decoded(glView()->workbench.documentName());
}

bool QtMainWindow::unsavedChangesSettled()
{
    if (!glView()->isModified())
        return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(documentName());
    switch (dialogs.saveChanges(this, programTitle(), question)) {
    case UserDialogs::SaveAnswer::Save:
        return saveMeshAs();
    case UserDialogs::SaveAnswer::Discard:
        return true;
    case UserDialogs::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void QtMainWindow::closeEvent(QCloseEvent* event)
{
    if (runner->busy()) {
        const QString question
            = QStringLiteral("%1 is running: stop it and close?").arg(runningTool);
        if (!dialogs.stopRunning(this, programTitle(), question)) {
            event->ignore();
            return;
        }
        runner->cancel();
        runner->waitForEnd();
    }
    if (!unsavedChangesSettled()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool QtMainWindow::refuseWhileRunning()
{
    if (!glView()->toolRunning())
        return false;
    statusBar->showMessage(QStringLiteral("A tool is running: wait for it or cancel it"), 0);
    return true;
}

void QtMainWindow::buildTerrainAsked(const QString& heightMap, const TerrainParameters& parameters)
{
    if (refuseWhileRunning() || !unsavedChangesSettled())
        return;
    glView()->buildTerrain(heightMap, parameters);
}

// ---- Opening

void QtMainWindow::openfileEvent()
{
    if (refuseWhileRunning() || !unsavedChangesSettled())
        return;
    const QString name = dialogs.openFileName(this, QString(), QString(), openFilter);
    if (name.isEmpty())
        return;
    openMesh(name);
}

void QtMainWindow::dragndrop_slot(const QString& filename)
{
    std::printf("%s\n", QFile::encodeName(filename).constData());
    if (filename.isEmpty() || refuseWhileRunning() || !unsavedChangesSettled())
        return;
    openMesh(filename);
}

void QtMainWindow::openMesh(const QString& name)
{
    glView()->loadMesh(name, [this, name](bool ok, const QString& problem) {
        // A read the user cancelled (no problem) has said so in the status bar.
        if (!ok && !problem.isEmpty()) {
            statusBar->showMessage(problem, 0);
            dialogs.warning(
                this, programTitle(), problem + QStringLiteral("; the mesh shown is kept."));
        }
        if (!ok)
            return;
        fileName = name;
        statusBar->clearMessage();
        rememberRecentFile(name);
        showMeshCounts();
    });
}

bool QtMainWindow::openFromCommandLine(const QString& name, QString* problem)
{
    std::printf("%s\n", QFile::encodeName(name).constData());
    if (name.isEmpty())
        return true;
    QString why;
    if (!glView()->loadMesh(name, &why)) {
        if (problem)
            *problem = why.isEmpty() ? name + QStringLiteral(" could not be read") : why;
        return false;
    }
    fileName = name;
    rememberRecentFile(name);
    showMeshCounts();
    return true;
}

QStringList QtMainWindow::recentFiles() const
{
    return QSettings().value(recentFilesKey).toStringList();
}

void QtMainWindow::rememberRecentFile(const QString& name)
{
    const QString path = QFileInfo(name).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > recentFileCount)
        files.removeLast();
    QSettings().setValue(recentFilesKey, files);
}

void QtMainWindow::fillRecentMenu()
{
    recentMenu->clear();
    const QStringList files = recentFiles();
    for (const QString& file : files) {
        QAction* entry = recentMenu->addAction(file);
        connect(entry, &QAction::triggered, this, [this, file] {
            if (refuseWhileRunning() || !unsavedChangesSettled())
                return;
            openMesh(file);
        });
    }
    recentMenu->setEnabled(true);
    if (files.isEmpty())
        recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

// ---- The title and the save entries

void QtMainWindow::showMeshCounts()
{
    const QtGLWidget* glw = glView();
    if (countsField)
        countsField->setText(QtGLWidget::meshCountsText(glw->mesh));
    QString title = programTitle();
    const QString file = glw->fileName();
    if (!file.isEmpty() || glw->isModified()) {
        title = documentName() + (glw->isModified() ? QStringLiteral("*") : QString())
            + QStringLiteral(" - ") + programTitle();
    }
    setWindowTitle(title);
    UserDialogs::setCurrentFile(file);
    const bool hasMesh = glw->mesh.numVertices > 0 && glw->mesh.numFaces > 0;
    if (saveAsAction) {
        saveAsAction->setEnabled(hasMesh);
        saveAllAction->setEnabled(hasMesh);
    }
}

// ---- Saving

void QtMainWindow::savefileEvent()
{
    saveMeshAs();
}

bool QtMainWindow::saveMeshAs()
{
    // A mesh from a file is suggested under that file's name in its folder.
    const QString suggested = glView()->fileName().isEmpty()
        ? documentName() + QStringLiteral(".obj")
        : QFileInfo(glView()->fileName()).fileName();
    const QString name = dialogs.saveFileName(this, QString(), suggested, saveFilter);
    if (name.isEmpty())
        return false;
    QString problem;
    QStringList losses;
    if (!glView()->saveMesh(name, &problem, &losses)) {
        if (problem.isEmpty())
            problem = QStringLiteral("Could not write ") + name;
        statusBar->showMessage(problem, 0);
        dialogs.warning(this, programTitle(), problem);
        return false;
    }
    fileName = glView()->fileName();
    statusBar->showMessage(losses.isEmpty()
            ? QStringLiteral("Saved ") + QDir::toNativeSeparators(fileName)
            : losses.join(QLatin1Char(' ')),
        0);
    return true;
}

void QtMainWindow::saveallEvent()
{
    const QString folder = dialogs.folder(this, QStringLiteral("Save ALL"), QString());
    if (folder.isEmpty())
        return;
    const Workbench& bench = glView()->workbench;
    const int count = bench.traversal.segmentCount;
    const std::string target = encoded(folder);

    // What the export would replace: its own names that exist, and the object
    // files of an earlier, larger export that it removes.
    QStringList replaced;
    for (const std::string& name : segmentFileNames(count)) {
        if (QFileInfo::exists(QDir(folder).filePath(decoded(name))))
            replaced << decoded(name);
    }
    for (const std::string& path : staleSegmentFiles(target, count))
        replaced << QFileInfo(decoded(path)).fileName();
    if (!replaced.isEmpty()) {
        QStringList listed = replaced.mid(0, namesListed);
        if (replaced.size() > namesListed)
            listed << QStringLiteral("%1 more").arg(replaced.size() - namesListed);
        const QString question
            = QStringLiteral("%1 already holds segment files (%2). Replace them?")
                  .arg(QDir::toNativeSeparators(folder), listed.join(QStringLiteral(", ")));
        if (!dialogs.confirm(this, programTitle(), question))
            return;
    }

    const SegmentExportReport report = bench.saveSegments(target);
    const QString status = segmentExportStatus(report, QDir::toNativeSeparators(folder));
    statusBar->showMessage(status, 0);
    if (!report.failed.empty())
        dialogs.warning(this, programTitle(), status);
}
