#pragma once

#include "pagekit/UserDialogs.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class QAction;
class QActionGroup;
class QCloseEvent;
class QLabel;
class QMenu;
class QStatusBar;
class QtGLObjectWindow;
class QtGLWidget;
class QtLightEditorDialogue;
class QtMeshEditorDialogue;
class ThreadedToolRunner;
struct TerrainParameters;

// The program's one top-level window: the menus, the central view, the status
// bar and the two tool dialogues. Its slots only ask the user, call the view
// and report; all tool work happens in the view.
//
// No change is lost without a question: whatever would put aside a mesh that
// differs from its file (Open, Open Recent, a drop, a terrain build, Exit,
// closing the window) asks first through dialogs.saveChanges.
class QtMainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit QtMainWindow(QWidget* parent = nullptr);
    ~QtMainWindow() override;

    QtGLObjectWindow* view = nullptr;
    QtMeshEditorDialogue* meshEditor = nullptr;
    QtLightEditorDialogue* lightEditor = nullptr;
    QMenu* fileMenu = nullptr;
    QAction* openAction = nullptr;
    // "Save As..." and "Save ALL...": off while there is no mesh.
    QAction* saveAsAction = nullptr;
    QAction* saveAllAction = nullptr;
    // File, "Exit" (Ctrl+Q): closes the window, which asks as closing does.
    QAction* exitAction = nullptr;
    // Edit, "Undo <step>" (Ctrl+Z) and "Redo <step>" (Ctrl+Shift+Z).
    QMenu* editMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QAction* saveStepsAction = nullptr;
    QAction* runStepsAction = nullptr;
    // View, "Face Colours": checked while the view shows the faces' own colours.
    QAction* faceColoursAction = nullptr;
    // View, "Show Frame Rate": frame time and faces drawn in the view's corner.
    QAction* frameRateAction = nullptr;
    // Render Mode: the entries, one checked (the view's mode).
    QActionGroup* renderModeGroup = nullptr;
    // File, "Open Recent": the last files opened, newest first, kept between runs.
    QMenu* recentMenu = nullptr;
    QStatusBar* statusBar = nullptr;
    // The last file opened (successfully) or saved through the menus or a drop.
    QString fileName;

    // The file, folder, colour and save questions of the menus (replaceable
    // for tests).
    UserDialogs dialogs;
    // Runs the view's tools off the GUI thread, behind a progress dialogue. A
    // member, so that it stops and joins its worker before the view goes.
    std::unique_ptr<ThreadedToolRunner> runner;

    QtGLWidget* glView() const;

    static QString programTitle();

    // Opens the file named at start-up, waiting for the read; no box (the
    // reader's reason is on the error stream). Returns false, with the reason
    // in problem too, when it cannot be opened or read; the caller then ends
    // the program.
    bool openFromCommandLine(const QString& name, QString* problem = nullptr);
    // " Verts: N Faces: M" in the status bar's permanent field; the document's
    // name in the title ("NAME* - Facetra V2.0", "*" while the mesh differs
    // from its file); the save entries on while there is a mesh.
    void showMeshCounts();
    // The workbench's name for the mesh (the file's name, "terrain",
    // "untitled"), as the user spells it.
    QString documentName() const;
    // Before the mesh is put aside: true when nothing unsaved would be lost,
    // that is the mesh is unchanged, the user chose Discard, or chose Save and
    // the save went through. False (Cancel, or a save cancelled or failed):
    // the caller leaves everything as it was.
    bool unsavedChangesSettled();
    // File, "Save As...": asks for a name and writes the mesh; true when written.
    // A failure is told in a box with its reason; what the format could not
    // hold goes to the status bar.
    bool saveMeshAs();
    // Names the Edit entries after the view's history.
    void showHistory();
    // A tool run started (true) or ended: the actions that would change the
    // mesh are off meanwhile.
    void toolRunChanged(bool running);
    // Resizes the window so that the central view gets exactly this size.
    void resizeView(int width, int height);
    // The pages, the View menu and the title show the workbench's state.
    void showWorkbench(unsigned changes);
    // The text of the About box (Help menu): what the program is, and the
    // package version.
    static QString aboutText();

protected:
    // Asks to stop a running tool (then cancels it and waits for its end), then
    // about unsaved changes; either answer Cancel keeps the window open.
    void closeEvent(QCloseEvent* event) override;

public slots:
    void dragndrop_slot(const QString& filename);
    void aboutEvent();
    void saveRenderImageEvent();
    void projectionmodeEvent();
    void backgroundcolourEvent();
    void openfileEvent();
    void savefileEvent();
    void saveallEvent();
    void rendermodeEvent(int id);
    void mesheditorEvent();
    void lighteditorEvent();
    // View, "Fit View" (F).
    void fitViewEvent();
    // Edit, "Save Steps...": the steps since the file was read, as a script.
    void saveStepsEvent();
    // File, "Run Steps...": a script's steps on the current mesh, each undoable.
    void runStepsEvent();

private:
    void createMenus();
    // Every page-to-view, view-to-page and view-to-window connection, made
    // once, in one place.
    void connectRouting();
    // Reads name into the view through the runner (unsaved changes already
    // settled). On success the title and Open Recent follow; on failure the
    // view keeps its mesh, title and list, and the reason goes to a box and
    // the status bar.
    void openMesh(const QString& name);
    // True, after a status line, while a tool runs.
    bool refuseWhileRunning();
    // The Terrain page's build, asked about unsaved changes first.
    void buildTerrainAsked(const QString& heightMap, const TerrainParameters& parameters);

    QLabel* countsField = nullptr;
    // The name of the run going on, for the question on closing.
    QString runningTool;
    QStringList recentFiles() const;
    void rememberRecentFile(const QString& name);
    void fillRecentMenu();
};
