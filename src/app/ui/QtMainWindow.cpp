#include "app/ui/QtMainWindow.h"

#include "app/ui/QtGLObjectWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "mesh/engine/WriteObj.h"
#include "refinement/ui/QtMeshSimplifierWidget.h"
#include "refinement/ui/QtMeshSubdivideWidget.h"
#include "viewer/ui/QtGLWidget.h"
#include "viewer/ui/QtLightEditorDialogue.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

#include <cstdio>
#include <iostream>

namespace {

// Dialogue start folders were written as Windows root paths ("\Data"); here
// they are the folder of that name in the working directory, when it exists.
QString startFolder(const QString& name)
{
    return QDir::current().exists(name) ? QDir::current().filePath(name) : QString();
}

std::string latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

// Every suffix a reader takes, "All meshes" first; each also gzip-compressed.
const QString openFilter = QStringLiteral(
    "All meshes (*.obj *.net *.ply *.stl *.off *.gts *.obj.gz *.net.gz *.ply.gz *.stl.gz "
    "*.off.gz *.gts.gz);;Wavefront OBJ (*.obj *.obj.gz);;Net (*.net *.net.gz);;"
    "PLY (*.ply *.ply.gz);;STL (*.stl *.stl.gz);;OFF (*.off *.off.gz);;GTS (*.gts *.gts.gz)");
// The writers, chosen by the suffix of the name.
const QString saveFilter
    = QStringLiteral("Wavefront OBJ (*.obj);;PLY (*.ply);;STL (*.stl);;OFF (*.off)");

constexpr int recentFileCount = 8;
const QString recentFilesKey = QStringLiteral("recentFiles");

} // namespace

QtMainWindow::QtMainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    createMenus();

    view = new QtGLObjectWindow(this);
    glView()->setStatusSink([this](const QString& text) { statusBar->showMessage(text, 0); });
    view->setFocus(Qt::OtherFocusReason);
    setCentralWidget(view);

    statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("status"));
    setStatusBar(statusBar);
    statusBar->showMessage(QStringLiteral("Ready"), 2000);

    resize(800, 800);

    meshEditor = new QtMeshEditorDialogue(this);
    // The Terrain page builds into the view's mesh; it gets that mesh here.
    lightEditor = new QtLightEditorDialogue(this);

    connectRouting();
}

void QtMainWindow::createMenus()
{
    fileMenu = new QMenu(QStringLiteral("&File"), this);
    fileMenu->setTearOffEnabled(true);
    const auto addFileEntry = [this](const char* icon, const char* text, QKeyCombination keys,
                                  void (QtMainWindow::*slot)()) {
        fileMenu->addAction(QIcon(QString::fromLatin1(icon)), QString::fromLatin1(text), this, slot)
            ->setShortcut(QKeySequence(keys));
    };
    fileMenu->addSeparator();
    addFileEntry("fileopen.xpm", "Open...", Qt::CTRL | Qt::Key_O, &QtMainWindow::openfileEvent);
    recentMenu = fileMenu->addMenu(QStringLiteral("Open Recent"));
    recentMenu->setObjectName(QStringLiteral("recentmenu"));
    connect(recentMenu, &QMenu::aboutToShow, this, &QtMainWindow::fillRecentMenu);
    fileMenu->addSeparator();
    addFileEntry("filesave.xpm", "Save As...", Qt::CTRL | Qt::Key_S, &QtMainWindow::savefileEvent);
    addFileEntry("filesave.xpm", "Save ALL...", Qt::CTRL | Qt::Key_A, &QtMainWindow::saveallEvent);
    fileMenu->addSeparator();
    addFileEntry("filesave.xpm", "Save Rendering...", Qt::CTRL | Qt::Key_R,
        &QtMainWindow::saveRenderImageEvent);
    fileMenu->addSeparator();
    fileMenu->addAction(QStringLiteral("Exit"), qApp, &QApplication::quit)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    auto* renderModeMenu = new QMenu(QStringLiteral("&Render Mode"), this);
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
        renderModeMenu->addAction(QString::fromLatin1(mode.text))->setData(mode.id);
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

    auto* toolsMenu = new QMenu(QStringLiteral("&Tools"), this);
    toolsMenu->setTearOffEnabled(true);
    QAction* tools
        = toolsMenu->addAction(QStringLiteral("Mesh &Tools"), this, &QtMainWindow::mesheditorEvent);
    tools->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    toolsMenu->addSeparator();

    auto* bar = new QMenuBar(this);
    bar->addMenu(fileMenu);
    bar->addMenu(viewMenu);
    bar->addMenu(renderModeMenu);
    bar->addMenu(toolsMenu);
    bar->addSeparator();
    setMenuBar(bar);
}

void QtMainWindow::connectRouting()
{
    QtGLWidget* glw = glView();
    QtLightSettingsWidget* lighting = lightEditor->settingsPage();

    connect(meshEditor, &QtMeshEditorDialogue::reset_signal, glw, &QtGLWidget::reload_slot);
    // Edge traversal page: edgetraversal_signal, markcurrent_signal.
    connect(meshEditor->subdividePage, &QtMeshSubdivideWidget::subdivide_signal, glw,
        &QtGLWidget::subdivide_slot);
    // Classification page: meshclassify_signal, numpatches_signal,
    // previouspatch_signal, nextpatch_signal, patchthresh_signal, weight_signal,
    // sp_mode_signal, loadsp_signal, savesp_signal.
    // Mean-shift page: rad_signal, mshift_signal, step_signal.
    connect(meshEditor->simplifyPage, &QtMeshSimplifierWidget::simplifySignal, glw,
        &QtGLWidget::simplify_slot);
    // Mean-shift profile curve: signal_function.
    // The view's numbpatches_signal goes back to the classification page.
    connect(glw, &QtGLWidget::dragndrop_signal, this, &QtMainWindow::dragndrop_slot);
    // The view's buildtree_signal goes to the morphogens page.
    // Clipping page: cutplane_resetall_signal, cutplane_resetcurrent_signal,
    // cutplane_select_signal, cutplane_invert_signal, cutplane_showall_signal,
    // cutplane_load_signal, cutplane_save_signal.
    // Morphogens page: buildvertexcolour_signal.
    // Terrain page: build_vertexcolours_signal.
    connect(
        lighting, &QtLightSettingsWidget::light_colour_signal, glw, &QtGLWidget::light_colour_slot);
    connect(lighting, &QtLightSettingsWidget::light_position_signal, glw,
        &QtGLWidget::light_position_slot);
}

QtGLWidget* QtMainWindow::glView() const
{
    return view->glWidget;
}

bool QtMainWindow::openMesh(const QString& name)
{
    if (!glView()->loadMesh(name)) {
        statusBar->showMessage(QStringLiteral("Could not read ") + name, 0);
        return false;
    }
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
            fileName = file;
            openMesh(file);
        });
    }
    recentMenu->setEnabled(true);
    if (files.isEmpty())
        recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
}

bool QtMainWindow::openFromCommandLine(const QString& name)
{
    std::printf("%s\n", name.toLatin1().constData());
    if (name.isEmpty()) {
        return true;
    }
    return openMesh(name);
}

void QtMainWindow::showMeshCounts()
{
    statusBar->showMessage(QtGLWidget::meshCountsText(glView()->mesh), 0);
}

void QtMainWindow::resizeView(int width, int height)
{
    // The central widget's size follows the window's layout; size the window so
    // that the layout hands the view what was asked for.
    layout()->activate();
    resize(size() + QSize(width, height) - view->size());
}

void QtMainWindow::dragndrop_slot(const QString& filename)
{
    std::printf("%s\n", filename.toLatin1().constData());
    if (filename.isEmpty()) {
        return;
    }
    fileName = filename;
    openMesh(filename);
}

void QtMainWindow::aboutEvent()
{
    QMessageBox::about(
        this, QStringLiteral("Facetra"), QStringLiteral("View and Play with mesh objects"));
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
    const bool encoded = glView()->grabRendering().save(&buffer, "PNG", -1);
    if (!encoded || !writeFileReplacing(latin1(name), png.toStdString())) {
        std::cerr << "ERROR: Writing File: " << latin1(name) << std::endl;
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
    QColor colour = dialogs.colour(glw->backgroundColour, this);
    // Cancelling answers with the invalid colour, which reads as black: the
    // background turns black, as it always has.
    if (!colour.isValid()) {
        colour = QColor(0, 0, 0);
    }
    glw->setBackgroundColour(colour);
    update();
}

void QtMainWindow::openfileEvent()
{
    const QString name = dialogs.openFileName(
        this, QString(), startFolder(QStringLiteral("Data")), openFilter);
    if (name.isEmpty()) {
        return;
    }
    fileName = name;
    openMesh(name);
}

void QtMainWindow::savefileEvent()
{
    const QString name = dialogs.saveFileName(
        this, QString(), startFolder(QStringLiteral("data")), saveFilter);
    if (name.isEmpty()) {
        return;
    }
    fileName = name;
    if (!glView()->saveMesh(name)) {
        statusBar->showMessage(QStringLiteral("Could not write ") + name, 0);
    }
}

void QtMainWindow::saveallEvent()
{
    // The segmented export comes with the edge traversal; until the view has it
    // there are no segments to write.
    statusBar->showMessage(QStringLiteral("No segments to save"), 0);
}

void QtMainWindow::rendermodeEvent(int id)
{
    QtGLWidget* glw = glView();
    if (id >= 0 && id <= 7) {
        glw->setRenderMode(id);
    }
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
