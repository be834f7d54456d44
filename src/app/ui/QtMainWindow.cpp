#include "app/ui/QtMainWindow.h"

#include "FacetraVersion.h"
#include "app/ui/QtGLObjectWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "app/ui/ThreadedToolRunner.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "filtering/ui/QtFunctionWidget.h"
#include "filtering/ui/QtMeanShiftWidget.h"
#include "mesh/engine/WriteObj.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "pagekit/IconFile.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "segmentation/ui/QtMeshClassifierWidget.h"
#include "segmentation/ui/QtMeshTraversalWidget.h"
#include "segmentation/ui/TraversalView.h"
#include "terrain/ui/QtMeshTerrainWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"
#include "workbench/engine/Batch.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>

#include <array>
#include <cstdio>
#include <iostream>

namespace {

std::string encoded(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

} // namespace

QtMainWindow::~QtMainWindow() = default;

QString QtMainWindow::programTitle()
{
    return QStringLiteral("Facetra V2.0");
}

QtMainWindow::QtMainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    createMenus();

    view = new QtGLObjectWindow(this);
    glView()->setStatusSink([this](const QString& text) { statusBar->showMessage(text, 0); });
    // Refusals the user must act on are worth a box.
    glView()->setNoticeSink(
        [this](const QString& text) { dialogs.warning(this, programTitle(), text); });
    runner = std::make_unique<ThreadedToolRunner>(this, &dialogs);
    runner->setStatusSink([this](const QString& text) { statusBar->showMessage(text, 0); });
    glView()->setToolRunner(runner.get());
    glView()->setMeshStateSink([this] { showMeshCounts(); });
    view->setFocus(Qt::OtherFocusReason);
    setCentralWidget(view);

    statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("status"));
    setStatusBar(statusBar);
    statusBar->showMessage(QStringLiteral("Ready"), 2000);
    // The counts stay in a field of their own, out of the way of menu hints.
    countsField = new QLabel(statusBar);
    countsField->setObjectName(QStringLiteral("counts"));
    statusBar->addPermanentWidget(countsField);
    showMeshCounts();

    resize(800, 800);

    meshEditor = new QtMeshEditorDialogue(this);
    // The Terrain page builds into the view's mesh; it gets that mesh here.
    meshEditor->terrainPage->mesh = &glView()->mesh;
    lightEditor = new QtLightEditorDialogue(this);
    // The window's shortcuts (Undo, Open, Save, Fit View, ...) work while one
    // of its dialogues has the focus too.
    for (QAction* entry : menuBar()->actions()) {
        if (!entry->menu())
            continue;
        for (QAction* action : entry->menu()->actions()) {
            if (!action->shortcut().isEmpty()) {
                meshEditor->addAction(action);
                lightEditor->addAction(action);
            }
        }
    }

    connectRouting();
    rendermodeEvent(glView()->renderMode);
    glView()->workbench.addListener([this](unsigned changes) { showWorkbench(changes); });
    showWorkbench(~0u);
}

void QtMainWindow::showWorkbench(unsigned changes)
{
    const Workbench& bench = glView()->workbench;
    if (changes & (ChangeToolState | ChangeNewMesh)) {
        meshEditor->classifyPage->showSettings(
            bench.classifierSettings.weight, bench.classifierSettings.spMode);
        meshEditor->meanShiftPage->showSettings(
            bench.filterSettings.slider, bench.filterSettings.algorithm);
        meshEditor->classifyPage->showPatches(
            bench.shownPatch, bench.classifier.seeds.empty() ? 0 : bench.classifier.numPatches);
    }
    if (changes & (ChangeClipping | ChangeNewMesh)) {
        std::array<bool, 6> selected {};
        for (std::size_t k = 0; k < selected.size(); ++k)
            selected[k] = bench.clipCube.planeState[k] == 1;
        meshEditor->clippingPage->showPlanes(
            int(bench.clipCube.planes.size()), selected, bench.clipCube.showAll != 0);
    }
}

void QtMainWindow::toolRunChanged(bool running)
{
    // A running tool owns the mesh: nothing else may change it or replace it.
    // The clipping planes only change what is drawn and stay usable.
    QTabWidget* tabs = meshEditor->tabs();
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->widget(i) != meshEditor->clippingPage) {
            tabs->widget(i)->setEnabled(!running);
        }
    }
    meshEditor->applyButton()->setEnabled(!running);
    meshEditor->reloadButton()->setEnabled(!running);
    openAction->setEnabled(!running);
    if (!running)
        runningTool.clear();
    recentMenu->setEnabled(!running);
    runStepsAction->setEnabled(!running);
    showHistory();
}

void QtMainWindow::showHistory()
{
    const EditHistory& history = glView()->history;
    const bool idle = !glView()->toolRunning();
    const auto entry = [](const char* verb, const std::string& step) {
        return step.empty()
            ? QString::fromLatin1(verb)
            : QStringLiteral("%1 %2").arg(QString::fromLatin1(verb), QString::fromStdString(step));
    };
    undoAction->setText(entry("Undo", history.undoName()));
    redoAction->setText(entry("Redo", history.redoName()));
    undoAction->setEnabled(idle && history.canUndo());
    redoAction->setEnabled(idle && history.canRedo());
}

void QtMainWindow::createMenus()
{
    fileMenu = new QMenu(QStringLiteral("&File"), this);
    fileMenu->setTearOffEnabled(true);
    const auto addFileEntry = [this](const char* icon, const char* text, QKeyCombination keys,
                                  void (QtMainWindow::*slot)()) {
        QAction* entry = fileMenu->addAction(
            iconFile(QString::fromLatin1(icon)), QString::fromLatin1(text), this, slot);
        entry->setShortcut(QKeySequence(keys));
        return entry;
    };
    fileMenu->addSeparator();
    openAction = addFileEntry(
        "fileopen.xpm", "Open...", Qt::CTRL | Qt::Key_O, &QtMainWindow::openfileEvent);
    recentMenu = fileMenu->addMenu(QStringLiteral("Open Recent"));
    recentMenu->setObjectName(QStringLiteral("recentmenu"));
    connect(recentMenu, &QMenu::aboutToShow, this, &QtMainWindow::fillRecentMenu);
    fileMenu->addSeparator();
    saveAsAction = addFileEntry(
        "filesave.xpm", "Save As...", Qt::CTRL | Qt::Key_S, &QtMainWindow::savefileEvent);
    saveAllAction = addFileEntry(
        "filesave.xpm", "Save ALL...", Qt::CTRL | Qt::Key_A, &QtMainWindow::saveallEvent);
    fileMenu->addSeparator();
    runStepsAction
        = fileMenu->addAction(QStringLiteral("Run Steps..."), this, &QtMainWindow::runStepsEvent);
    fileMenu->addSeparator();
    addFileEntry("filesave.xpm", "Save Rendering...", Qt::CTRL | Qt::Key_R,
        &QtMainWindow::saveRenderImageEvent);
    fileMenu->addSeparator();
    // Through close(), so that Exit asks what closing the window asks.
    exitAction = fileMenu->addAction(QStringLiteral("Exit"), this, &QWidget::close);
    exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    editMenu = new QMenu(QStringLiteral("&Edit"), this);
    editMenu->setObjectName(QStringLiteral("editmenu"));
    undoAction = editMenu->addAction(QStringLiteral("Undo"));
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = editMenu->addAction(QStringLiteral("Redo"));
    redoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    editMenu->addSeparator();
    saveStepsAction
        = editMenu->addAction(QStringLiteral("Save Steps..."), this, &QtMainWindow::saveStepsEvent);

    auto* renderModeMenu = new QMenu(QStringLiteral("&Render Mode"), this);
    // One entry checked: the mode the view draws in.
    renderModeGroup = new QActionGroup(this);
    renderModeGroup->setExclusive(true);
    renderModeMenu->setObjectName(QStringLiteral("rendermodemenu"));
    renderModeMenu->setTearOffEnabled(true);
    // The ids are the view's render-mode numbers, not the menu positions.
    static const struct
    {
        const char* text;
        int id;
    } modes[] = {
        { "&Bounding Box", 7 },
        { "&Points Verts", 5 },
        { "&Face Normals", 6 },
        { "&Wireframe", 0 },
        { "&Wireframe + Dotted-HL", 1 },
        { "&Wireframe + No-HL", 2 },
        { "&Polygons + Wireframe", 3 },
        { "&Polygons", 4 },
    };
    for (const auto& mode : modes) {
        QAction* entry = renderModeMenu->addAction(QString::fromLatin1(mode.text));
        entry->setData(mode.id);
        entry->setCheckable(true);
        renderModeGroup->addAction(entry);
    }
    connect(renderModeMenu, &QMenu::triggered, this,
        [this](QAction* action) { rendermodeEvent(action->data().toInt()); });

    auto* viewMenu = new QMenu(QStringLiteral("&View"), this);
    viewMenu->setTearOffEnabled(true);
    viewMenu->addAction(
        QStringLiteral("Background Colour"), this, &QtMainWindow::backgroundcolourEvent);
    viewMenu->addAction(QStringLiteral("Toggle Projection (ortho/persp)"), this,
        &QtMainWindow::projectionmodeEvent);
    viewMenu->addAction(
        QStringLiteral("Lighting and Shading Editor"), this, &QtMainWindow::lighteditorEvent);
    faceColoursAction = viewMenu->addAction(QStringLiteral("Face Colours"));
    faceColoursAction->setCheckable(true);
    viewMenu->addAction(QStringLiteral("Fit View"), this, &QtMainWindow::fitViewEvent)
        ->setShortcut(QKeySequence(Qt::Key_F));
    frameRateAction = viewMenu->addAction(QStringLiteral("Show Frame Rate"));
    frameRateAction->setCheckable(true);
    connect(frameRateAction, &QAction::toggled, this,
        [this](bool on) { glView()->setFrameRateShown(on); });

    auto* toolsMenu = new QMenu(QStringLiteral("&Tools"), this);
    toolsMenu->setTearOffEnabled(true);
    QAction* tools
        = toolsMenu->addAction(QStringLiteral("Mesh &Tools"), this, &QtMainWindow::mesheditorEvent);
    tools->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    toolsMenu->addSeparator();

    auto* bar = new QMenuBar(this);
    bar->addMenu(fileMenu);
    bar->addMenu(editMenu);
    bar->addMenu(viewMenu);
    bar->addMenu(renderModeMenu);
    bar->addMenu(toolsMenu);
    bar->addSeparator();
    auto* helpMenu = new QMenu(QStringLiteral("&Help"), this);
    helpMenu->setObjectName(QStringLiteral("helpmenu"));
    helpMenu->addAction(QStringLiteral("&About Facetra"), this, &QtMainWindow::aboutEvent);
    bar->addMenu(helpMenu);
    setMenuBar(bar);
}

void QtMainWindow::connectRouting()
{
    QtGLWidget* glw = glView();
    QtLightSettingsWidget* lighting = lightEditor->settingsPage();

    connect(meshEditor, &QtMeshEditorDialogue::reset_signal, glw, &QtGLWidget::reload_slot);
    connect(meshEditor->traversalPage, &QtMeshTraversalWidget::edgetraversal_signal, glw,
        &QtGLWidget::edgetraversal_slot);
    connect(meshEditor->traversalPage, &QtMeshTraversalWidget::markcurrent_signal, glw,
        &QtGLWidget::markcurrent_slot);
    connect(meshEditor->subdividePage, &QtMeshSubdivideWidget::subdivide_signal, glw,
        &QtGLWidget::subdivide_slot);
    QtMeshClassifierWidget* classify = meshEditor->classifyPage;
    connect(classify, &QtMeshClassifierWidget::meshclassify_signal, glw,
        &QtGLWidget::meshclassify_slot);
    connect(
        classify, &QtMeshClassifierWidget::numpatches_signal, glw, &QtGLWidget::numpatches_slot);
    connect(classify, &QtMeshClassifierWidget::previouspatch_signal, glw,
        &QtGLWidget::previouspatch_slot);
    connect(classify, &QtMeshClassifierWidget::nextpatch_signal, glw, &QtGLWidget::nextpatch_slot);
    connect(
        classify, &QtMeshClassifierWidget::patchthresh_signal, glw, &QtGLWidget::patchthresh_slot);
    connect(classify, &QtMeshClassifierWidget::weight_signal, glw, &QtGLWidget::weight_slot);
    connect(classify, &QtMeshClassifierWidget::sp_mode_signal, glw, &QtGLWidget::sp_mode_slot);
    connect(classify, &QtMeshClassifierWidget::loadsp_signal, glw, &QtGLWidget::loadsp_slot);
    connect(classify, &QtMeshClassifierWidget::savesp_signal, glw, &QtGLWidget::savesp_slot);
    connect(meshEditor->meanShiftPage, &QtMeanShiftWidget::rad_signal, glw,
        &QtGLWidget::mshiftrad_slot);
    connect(meshEditor->meanShiftPage, &QtMeanShiftWidget::mshift_signal, glw,
        &QtGLWidget::mshift_slot);
    connect(meshEditor->meanShiftPage, &QtMeanShiftWidget::step_signal, glw,
        &QtGLWidget::mshiftstep_slot);
    connect(meshEditor->simplifyPage, &QtMeshSimplifierWidget::simplifySignal, glw,
        &QtGLWidget::simplify_slot);
    connect(meshEditor->meanShiftPage->functionWidget(), &QtFunctionWidget::signal_function, glw,
        &QtGLWidget::function_slot);
    connect(
        glw, &QtGLWidget::numbpatches_signal, classify, &QtMeshClassifierWidget::numbpatchesEvent);
    connect(glw, &QtGLWidget::dragndrop_signal, this, &QtMainWindow::dragndrop_slot);
    connect(glw, &QtGLWidget::buildtree_signal, meshEditor->morphogenPage,
        &QtMorphogenWidget::buildtree_slot);
    QtCLippingWidget* clipping = meshEditor->clippingPage;
    connect(clipping, &QtCLippingWidget::cutplane_resetall_signal, glw,
        &QtGLWidget::cutplane_resetall_slot);
    connect(clipping, &QtCLippingWidget::cutplane_resetcurrent_signal, glw,
        &QtGLWidget::cutplane_resetcurrent_slot);
    connect(clipping, &QtCLippingWidget::cutplane_select_signal, glw,
        &QtGLWidget::cutplane_select_slot);
    connect(clipping, &QtCLippingWidget::cutplane_invert_signal, glw,
        &QtGLWidget::cutplane_invert_slot);
    connect(clipping, &QtCLippingWidget::cutplane_showall_signal, glw,
        &QtGLWidget::cutplane_showall_slot);
    connect(
        clipping, &QtCLippingWidget::cutplane_load_signal, glw, &QtGLWidget::cutplane_load_slot);
    connect(
        clipping, &QtCLippingWidget::cutplane_save_signal, glw, &QtGLWidget::cutplane_save_slot);
    connect(meshEditor->morphogenPage, &QtMorphogenWidget::buildvertexcolour_signal, glw,
        &QtGLWidget::buildvertexcolour_slot);
    connect(meshEditor->terrainPage, &QtMeshTerrainWidget::build_vertexcolours_signal, glw,
        &QtGLWidget::build_vertexcoloursterrain_slot);
    // The Terrain page's own additions: the stops switch and the built terrain.
    connect(meshEditor->terrainPage, &QtMeshTerrainWidget::usecolourstops_signal, glw,
        &QtGLWidget::usecolourstops_slot);
    connect(meshEditor->terrainPage, &QtMeshTerrainWidget::terrainbuilt_signal, glw,
        &QtGLWidget::terrainbuilt_slot);
    connect(faceColoursAction, &QAction::toggled, glw, &QtGLWidget::showFaceColours);
    connect(runner.get(), &ThreadedToolRunner::runStarted, this, [this](const QString& name) {
        runningTool = name;
        toolRunChanged(true);
    });
    connect(runner.get(), &ThreadedToolRunner::runEnded, this, [this] { toolRunChanged(false); });
    connect(undoAction, &QAction::triggered, glw, &QtGLWidget::undo_slot);
    connect(redoAction, &QAction::triggered, glw, &QtGLWidget::redo_slot);
    connect(glw, &QtGLWidget::history_signal, this, &QtMainWindow::showHistory);
    meshEditor->terrainPage->buildRunner
        = [this](const QString& heightMap, const TerrainParameters& parameters) {
              buildTerrainAsked(heightMap, parameters);
          };
    connect(glw, &QtGLWidget::facecolours_signal, faceColoursAction, &QAction::setChecked);
    connect(
        lighting, &QtLightSettingsWidget::light_colour_signal, glw, &QtGLWidget::light_colour_slot);
    connect(lighting, &QtLightSettingsWidget::light_position_signal, glw,
        &QtGLWidget::light_position_slot);
}

QtGLWidget* QtMainWindow::glView() const
{
    return view->glWidget;
}

void QtMainWindow::resizeView(int width, int height)
{
    // The central widget's size follows the window's layout; size the window so
    // that the layout hands the view what was asked for.
    layout()->activate();
    resize(size() + QSize(width, height) - view->size());
}

QString QtMainWindow::aboutText()
{
    return QStringLiteral("View and Play with mesh objects\n\nVersion " FACETRA_VERSION);
}

void QtMainWindow::aboutEvent()
{
    QMessageBox::about(this, QStringLiteral("Facetra"), aboutText());
}

void QtMainWindow::saveRenderImageEvent()
{
    const QString name = dialogs.saveFileName(
        this, QString(), QStringLiteral("rendering"), QStringLiteral("*.png"));
    if (name.isEmpty()) {
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const bool pngMade = glView()->grabRendering().save(&buffer, "PNG", -1);
    if (!pngMade || !writeFileReplacing(encoded(name), png.toStdString())) {
        std::cerr << "ERROR: Writing File: " << encoded(name) << std::endl;
        statusBar->showMessage(QStringLiteral("Could not write ") + name, 0);
    }
}

void QtMainWindow::projectionmodeEvent()
{
    std::printf("projectionmode: %d\n", glView()->toggleProjectionMode());
    std::fflush(stdout);
    update();
}

void QtMainWindow::backgroundcolourEvent()
{
    QtGLWidget* glw = glView();
    const QColor colour = dialogs.colour(glw->backgroundColour, this);
    // Cancelling answers with the invalid colour: the background stays.
    if (!colour.isValid()) {
        return;
    }
    glw->setBackgroundColour(colour);
    update();
}

void QtMainWindow::rendermodeEvent(int id)
{
    QtGLWidget* glw = glView();
    if (id >= 0 && id <= 7) {
        glw->setRenderMode(id);
    }
    for (QAction* entry : renderModeGroup->actions())
        entry->setChecked(entry->data().toInt() == glw->renderMode);
    glw->update();
    update();
}

void QtMainWindow::mesheditorEvent()
{
    meshEditor->show();
    meshEditor->raise();
}

void QtMainWindow::lighteditorEvent()
{
    lightEditor->show();
}

void QtMainWindow::fitViewEvent()
{
    glView()->fitView();
}

void QtMainWindow::saveStepsEvent()
{
    const QString name = dialogs.saveFileName(
        this, QStringLiteral("Save Steps"), QString(), QStringLiteral("Step scripts (*.steps)"));
    if (name.isEmpty()) {
        return;
    }
    if (!writeFileReplacing(encoded(name), glView()->workbench.stepsScript())) {
        statusBar->showMessage(QStringLiteral("Could not write ") + name, 0);
        return;
    }
    statusBar->showMessage(QStringLiteral("Saved %1 steps in %2")
                               .arg(qsizetype(glView()->workbench.steps().size()))
                               .arg(name),
        0);
}

void QtMainWindow::runStepsEvent()
{
    const QString name = dialogs.openFileName(
        this, QStringLiteral("Run Steps"), QString(), QStringLiteral("Step scripts (*.steps)"));
    if (name.isEmpty()) {
        return;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        statusBar->showMessage(QStringLiteral("Could not read ") + name, 0);
        return;
    }
    const QByteArray text = file.readAll();
    CheckedScript script;
    std::string problem;
    if (!checkScript(
            std::string_view(text.constData(), std::size_t(text.size())), script, problem)) {
        statusBar->showMessage(
            QStringLiteral("%1 was not run: %2").arg(name, QFile::decodeName(problem.c_str())), 0);
        return;
    }
    // Saved names: {name} is the current file's name, a relative name lies
    // beside the script.
    Workbench& bench = glView()->workbench;
    placeStepArguments(script, meshStem(bench.fileName), encoded(QFileInfo(name).absolutePath()));
    std::vector<Step> steps;
    std::vector<int> lineNumbers;
    for (ScriptLine& line : script.lines) {
        steps.push_back(std::move(line.step));
        lineNumbers.push_back(line.line);
    }
    const qsizetype count = qsizetype(steps.size());
    bench.runSteps(std::move(steps),
        [this, name, count, lineNumbers](const Workbench::StepEnd& end, std::size_t index) {
            if (end.outcome == Workbench::Outcome::Done) {
                statusBar->showMessage(
                    QStringLiteral("Ran %1 steps of %2").arg(count).arg(name), 0);
                return;
            }
            const QString line = QStringLiteral("%1 stopped at line %2: %3")
                                     .arg(name)
                                     .arg(lineNumbers[index])
                                     .arg(QFile::decodeName(end.message.c_str()));
            statusBar->showMessage(line, 0);
            if (end.needsUser)
                dialogs.warning(this, programTitle(), line);
        });
}
