// What the window and page tests share: buttons found by their text, a wavy
// grid to open, and the real window driven as a user drives it.
#pragma once

#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "viewer/ui/QtGLWidget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cmath>
#include <fstream>
#include <functional>
#include <memory>

// Skips the test function (or, from initTestCase, every one) where the display
// offers no OpenGL.
#define SKIP_WITHOUT_GL()                                                                          \
    do {                                                                                           \
        if (!QOpenGLContext().create())                                                            \
            QSKIP("no OpenGL on this display");                                                    \
    } while (false)

// The page's button (a push button unless asked for another kind) with this text.
template <class Button = QPushButton> Button* buttonNamed(QWidget* page, const char* text)
{
    for (Button* button : page->findChildren<Button*>()) {
        if (button->text() == QLatin1String(text))
            return button;
    }
    return nullptr;
}

inline QByteArray contents(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Exit status (-2: still running after 30 s) and standard error of program run
// with args, env's variables set.
inline std::pair<int, QString> runProgram(const QString& program, const QStringList& args,
    const QList<std::pair<QString, QString>>& env = {}, QString* standardOutput = nullptr)
{
    QProcess process;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        all.insert(name, value);
    process.setProcessEnvironment(all);
    process.start(program, args);
    const bool finished = process.waitForFinished(30000); // else killed on leaving
    if (standardOutput)
        *standardOutput = QString::fromUtf8(process.readAllStandardOutput());
    return { finished ? process.exitCode() : -2,
        QString::fromUtf8(process.readAllStandardError()) };
}

// Every tab on the way up to widget becomes the current one, as a user clicks it.
inline QWidget* bringToFront(QWidget* widget)
{
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        for (QWidget* up = w->parentWidget(); up; up = up->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(up); tabs && tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
        }
    }
    return widget;
}

// A user's click on button, its tabs brought to the front first; one in a
// window not shown is clicked directly.
inline void userClick(QAbstractButton* button)
{
    bringToFront(button);
    if (!button->isVisible()) {
        button->click();
        return;
    }
    // A check box or radio button takes clicks on its indicator and text.
    const bool pushButton = qobject_cast<QPushButton*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
        pushButton ? button->rect().center() : QPoint(6, button->height() / 2));
}

inline void sendMouse(
    QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButton which, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, to->mapToGlobal(at), which, buttons, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// A press at from, a move to to and the release there.
inline void dragMouse(QWidget* on, Qt::MouseButton button, QPointF from, QPointF to)
{
    sendMouse(on, QEvent::MouseButtonPress, from, button, button);
    sendMouse(on, QEvent::MouseMove, to, Qt::NoButton, button);
    sendMouse(on, QEvent::MouseButtonRelease, to, button, Qt::NoButton);
}

// The file name dropped on widget as a file manager drops it; true when accepted.
inline bool dropFile(QWidget* widget, const QString& name)
{
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(name) });
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &drop);
    return enter.isAccepted();
}

// The pixels of image that pass test.
inline int countPixels(const QImage& image, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += test(image.pixel(x, y));
    return count;
}

// A wavy n x n grid; given three names ("red green blue"), three morphogens at
// every vertex.
inline bool writeGrid(const QString& name, int n, const char* morphogens = nullptr)
{
    std::ofstream out(name.toStdString());
    if (morphogens)
        out << "mn " << morphogens << '\n';
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            out << "v " << x << ' ' << y << ' ' << 0.4 * std::sin(x * 0.8) * std::cos(y * 0.7)
                << '\n';
            if (morphogens)
                out << "m " << x / (n - 1.0) << ' ' << y / (n - 1.0) << ' ' << (x * y) % 3 / 2.0
                    << '\n';
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            const int a = y * n + x + 1, b = a + 1, c = a + n, d = c + 1;
            out << "f " << a << ' ' << b << ' ' << d << "\nf " << a << ' ' << d << ' ' << c << '\n';
        }
    }
    return bool(out);
}

// The main window with its Mesh Editor open. Tools run at once, so what a test
// checks is the state after each change; warnings are collected, not shown,
// and unsaved changes are discarded without a question.
class WindowDriver
{
protected:
    QTemporaryDir scratch;
    std::unique_ptr<QtMainWindow> window;
    QtMeshEditorDialogue* tools = nullptr;
    QtGLWidget* view = nullptr;
    QStringList warnings;

    Workbench& bench() const { return view->workbench; }
    QString status() const { return window->statusBar->currentMessage(); }
    // A file of the scratch folder holding content; its path.
    QString write(const QString& name, const QByteArray& content)
    {
        QFile out(scratch.filePath(name));
        return out.open(QIODevice::WriteOnly) && out.write(content) == content.size()
            ? out.fileName()
            : QString();
    }

    // For initTestCase: recent files and folders stay out of the user's settings.
    void keepSettingsApart()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
        QVERIFY(scratch.isValid());
    }
    // Tools run at once unless threaded: then behind the window, as a user's do.
    void showWindow(int viewSide, bool threaded = false)
    {
        UserDialogs::setCurrentFile(QString());
        window = std::make_unique<QtMainWindow>();
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        view = window->glView();
        if (!threaded)
            view->setToolRunner(nullptr);
        warnings.clear();
        window->dialogs.warning = [this](auto, auto, const QString& text) { warnings << text; };
        // A changed mesh put aside by a test is not wanted: no box asks.
        window->dialogs.saveChanges
            = [](auto, auto, auto) { return UserDialogs::SaveAnswer::Discard; };
        window->resizeView(viewSide, viewSide);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        tools = window->meshEditor;
        window->mesheditorEvent();
    }
    // File, "Open...".
    void open(const QString& name)
    {
        window->dialogs.openFileName = [name](auto, auto, auto, auto) { return name; };
        window->openfileEvent();
        QCOMPARE(bench().fileName, name.toStdString());
    }
    // A click on a page's button, its page brought to the front first.
    void click(QAbstractButton* button)
    {
        QVERIFY(button && button->isEnabled());
        userClick(button);
    }
    // The dialogue's Apply with page current.
    void apply(QWidget* page)
    {
        tools->tabs()->setCurrentWidget(page);
        click(tools->applyButton());
    }
    // Edit, "Undo".
    void undo()
    {
        QVERIFY(window->undoAction->isEnabled());
        window->undoAction->trigger();
    }
};
