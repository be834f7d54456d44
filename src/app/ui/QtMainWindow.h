#pragma once

#include "pagekit/UserDialogs.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QtGLObjectWindow;
class QtGLWidget;
class QtLightEditorDialogue;
class QtMeshEditorDialogue;
class ThreadedToolRunner;

// The program's one top-level window: the menus, the central view, the status
// bar and the two tool dialogues. Its slots only ask the user, call the view
// and report; all tool work happens in the view.
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
    // Edit, "Undo <step>" (Ctrl+Z) and "Redo <step>" (Ctrl+Shift+Z).
    QMenu* editMenu = nullptr;
    QAction* undoAction = nullptr;
    QAction* redoAction = nullptr;
    QAction* saveStepsAction = nullptr;
    QAction* runStepsAction = nullptr;
    // View, "Face Colours": checked while the view shows the faces' own colours.
    QAction* faceColoursAction = nullptr;
    // File, "Open Recent": the last files opened, newest first, kept between runs.
    QMenu* recentMenu = nullptr;
    QStatusBar* statusBar = nullptr;
    // The last file opened or saved through the menus or a drop.
    QString fileName;

    // The file and colour questions of the menus (replaceable for tests).
    UserDialogs dialogs;
    // Runs the view's tools off the GUI thread, behind a progress dialogue. A
    // member, so that it stops and joins its worker before the view goes.
    std::unique_ptr<ThreadedToolRunner> runner;

    QtGLWidget* glView() const;

    // Opens the file named at start-up. Returns false, after the reader's
    // message, when it cannot be opened or read; the caller then ends the
    // program.
    bool openFromCommandLine(const QString& name);
    // " Verts: N Faces: M" in the status bar's permanent field, and the file name
    // in the title, with "*" while a tool's change is unsaved.
    void showMeshCounts();
    // Names the Edit entries after the view's history.
    void showHistory();
    // A tool run started (true) or ended: the actions that would change the
    // mesh are off meanwhile.
    void toolRunChanged(bool running);
    // Resizes the window so that the central view gets exactly this size.
    void resizeView(int width, int height);
    // The pages, the View menu and the title show the workbench's state.
    void showWorkbench(unsigned changes);

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
    // Loads name into the view; on failure the view keeps its mesh and the
    // status bar says so, and a message box too when tellUser is set.
    bool openMesh(const QString& name, bool tellUser = true);

    QLabel* countsField = nullptr;
    QStringList recentFiles() const;
    void rememberRecentFile(const QString& name);
    void fillRecentMenu();
};
