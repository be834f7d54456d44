// What the view forwards to its workbench: files, and the slots, each a
// step or a setting.
#include "viewer/ui/QtGLWidget.h"

#include "mesh/engine/Refusal.h"
#include "mesh/engine/WriteMeshFile.h"
#include "morphogens/ui/MorphogenQtColours.h"
#include "terrain/engine/TerrainBuilder.h"
#include "terrain/ui/TerrainView.h"
#include "workbench/engine/Steps.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

namespace {

std::string encoded(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

// Engine text, which names files in the system's file-name encoding.
QString decoded(const std::string& text)
{
    return QFile::decodeName(QByteArray::fromStdString(text));
}

} // namespace

// ---- Loading and saving

void QtGLWidget::loadMesh(const QString& name, LoadDone done)
{
    workbench.open(encoded(name), [done = std::move(done)](const Workbench::StepEnd& end) {
        if (!done)
            return;
        // A cancelled read is no failure to explain: the user asked for it.
        const bool cancelled = end.outcome == Workbench::Outcome::Cancelled;
        done(end.outcome == Workbench::Outcome::Done, cancelled ? QString() : decoded(end.message));
    });
}

bool QtGLWidget::loadMesh(const QString& name, QString* problem)
{
    // The read goes through the runner like any other; here it is waited for.
    std::optional<std::pair<bool, QString>> result;
    QEventLoop wait;
    loadMesh(name, [&result, &wait](bool ok, const QString& why) {
        result.emplace(ok, why);
        wait.quit();
    });
    if (!result)
        wait.exec();
    if (problem)
        *problem = result->second;
    return result->first;
}

QString QtGLWidget::fileName() const
{
    return QFile::decodeName(workbench.fileName.c_str());
}

bool QtGLWidget::saveMesh(const QString& name, QString* problem, QStringList* losses)
{
    // A name the user gave no suffix at all is an OBJ file.
    QString target = name;
    if (!QFileInfo(name).fileName().contains(QLatin1Char('.')))
        target += QStringLiteral(".obj");
    MeshWriteReport report;
    const bool saved = workbench.save(encoded(target), nullptr, &report);
    if (problem)
        *problem = decoded(report.problem);
    if (losses) {
        losses->clear();
        for (const std::string& loss : report.losses)
            *losses << decoded(loss);
    }
    return saved;
}

QImage QtGLWidget::grabRendering()
{
    if (!glReady || viewWidth <= 0 || viewHeight <= 0) {
        return {};
    }
    makeCurrent();
    QImage image(viewWidth, viewHeight, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, viewWidth, viewHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // GL rows run bottom-up; the picture is opaque whatever coverage the alpha
    // channel collected from smoothed lines.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

// ---- Slots: each a step or a setting of the workbench

bool QtGLWidget::refuseWhileRunning()
{
    if (!toolRunning())
        return false;
    showStatus(QStringLiteral(" A tool is running: wait for it or cancel it"));
    return true;
}

void QtGLWidget::run(const Step& step, Workbench::StepDone done)
{
    workbench.run(step, [this, done = std::move(done)](const Workbench::StepEnd& end) {
        if (end.needsUser)
            tellUser(decoded(end.message));
        else if (end.outcome == Workbench::Outcome::Refused
            || end.outcome == Workbench::Outcome::Failed)
            showStatus(QStringLiteral(" ") + decoded(end.message));
        if (done)
            done(end);
    });
}

void QtGLWidget::runStep(const Step& step, Workbench::StepDone done)
{
    run(step, std::move(done));
}

void QtGLWidget::setToolRunner(ToolRunner* r)
{
    workbench.setRunner(r);
}

bool QtGLWidget::toolRunning() const
{
    return workbench.running();
}

void QtGLWidget::undo_slot()
{
    run(plainStep("undo"));
}

void QtGLWidget::redo_slot()
{
    run(plainStep("redo"));
}

void QtGLWidget::reload_slot()
{
    run(plainStep("reload"));
}

void QtGLWidget::subdivide_slot(int subdiv, float weight)
{
    run(subdivideStep(subdiv, weight));
}

void QtGLWidget::simplify_slot(float lod)
{
    run(simplifyStep(lod));
}

void QtGLWidget::mshift_slot(Vector kernel, int algorithm)
{
    run(filterStep(algorithm, kernel.x));
}

void QtGLWidget::mshiftrad_slot(Vector kernel, int algorithm)
{
    workbench.setFilterKernel(kernel.x, algorithm);
}

void QtGLWidget::mshiftstep_slot(Vector kernel)
{
    run(filterStep(workbench.filterSettings.algorithm, kernel.x, true));
}

void QtGLWidget::function_slot(std::vector<Vector> func, int sizey)
{
    workbench.setFilterProfile(func, sizey);
}

void QtGLWidget::meshclassify_slot()
{
    if (mesh.numVertices == 0)
        return;
    const ClassifierSettings& settings = workbench.classifierSettings;
    run(classifyStep(settings.weight, settings.spMode), [this](const Workbench::StepEnd& end) {
        // The page's patch count follows the count found, and its answer
        // finds the faces partitioned already.
        if (end.outcome == Workbench::Outcome::Done)
            emit numbpatches_signal(workbench.classifier.numPatches);
    });
}

void QtGLWidget::numpatches_slot(int n)
{
    // The page answers every classification with the count it found: the
    // faces are partitioned into that many already.
    if (mesh.numVertices == 0 || n == workbench.classifier.numPatches)
        return;
    run(repartitionStep(n));
}

void QtGLWidget::previouspatch_slot(int patch)
{
    workbench.browsePatch(patch);
}

void QtGLWidget::nextpatch_slot(int patch)
{
    workbench.browsePatch(patch);
}

void QtGLWidget::patchthresh_slot(int percent)
{
    workbench.setPatchThreshold(percent);
}

void QtGLWidget::weight_slot(float weight)
{
    workbench.setClassifierWeight(double(weight));
}

void QtGLWidget::sp_mode_slot(int mode)
{
    workbench.setSpMode(mode);
}

// A table file the workbench reads or writes; a failure is told with the
// engine's reason.
void QtGLWidget::tableFile(const QString& name, bool (Workbench::*act)(const std::string&),
    const QString& failure, const QString& fallback)
{
    if (mesh.numVertices == 0 || refuseWhileRunning())
        return;
    takeRefusal();
    if (!(workbench.*act)(encoded(name))) {
        const std::string why = takeRefusal();
        tellUser(failure.arg(name, why.empty() ? fallback : decoded(why)));
    }
}

void QtGLWidget::loadsp_slot(const QString& name)
{
    tableFile(name, &Workbench::loadTable, QStringLiteral("The table %1 was not loaded: %2"),
        QStringLiteral("it cannot be read"));
}

void QtGLWidget::savesp_slot(const QString& name)
{
    tableFile(name, &Workbench::saveTable, QStringLiteral("The table was not saved to %1: %2"),
        QStringLiteral("it cannot be written"));
}

void QtGLWidget::edgetraversal_slot(int depth, int angle)
{
    run(traverseStep(depth, angle));
}

void QtGLWidget::markcurrent_slot()
{
    run(markStep());
}

void QtGLWidget::buildvertexcolour_slot(
    int mixmode, std::vector<int> tooglestates, std::vector<QColor> colours, QColor defaultcolour)
{
    run(morphogenStep(morphogenSetting(mixmode, tooglestates, colours, defaultcolour)));
}

void QtGLWidget::build_vertexcoloursterrain_slot(
    std::vector<QColor> colours, std::vector<float> values)
{
    run(heightColoursStep(colourStops(colours, values), workbench.useColourStops));
}

void QtGLWidget::usecolourstops_slot(bool on)
{
    workbench.setUseColourStops(on);
}

void QtGLWidget::buildTerrain(const QString& heightMap, const TerrainParameters& parameters)
{
    run(terrainStep(heightMap.isEmpty() ? std::string() : encoded(heightMap), parameters));
}

void QtGLWidget::terrainbuilt_slot()
{
    // A terrain built straight into the mesh (a page without the window's
    // runner): a new mesh, as if read.
    Mesh built = std::move(mesh);
    mesh = Mesh();
    workbench.adoptMesh(built, "terrain");
}

void QtGLWidget::smooth_slot(float kernelsize, float kernelstrength)
{
    (void)kernelsize;
    (void)kernelstrength;
}

void QtGLWidget::cutplane_select_slot(int selected)
{
    workbench.selectPlane(selected);
}

void QtGLWidget::cutplane_invert_slot(int selected)
{
    workbench.invertPlanes(selected);
    if (selected == 0) {
        clipMode = 0;
    }
}

void QtGLWidget::cutplane_load_slot(const QString& fn)
{
    if (!workbench.loadPlanes(encoded(fn)))
        tellUser(QStringLiteral("Could not read the clipping planes from %1").arg(fn));
}

void QtGLWidget::cutplane_save_slot(const QString& fn)
{
    if (!workbench.savePlanes(encoded(fn)))
        tellUser(QStringLiteral("Could not save the clipping planes to %1").arg(fn));
}

void QtGLWidget::cutplane_showall_slot(int selected)
{
    workbench.showAllPlanes(selected);
}

void QtGLWidget::cutplane_resetall_slot()
{
    workbench.resetAllPlanes();
}

void QtGLWidget::cutplane_resetcurrent_slot()
{
    workbench.resetCurrentPlane();
}
