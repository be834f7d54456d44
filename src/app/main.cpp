// facetra: the mesh workbench. With --grab it renders one file to a PNG and exits.
#include "FacetraVersion.h"
#include "app/ui/QtMainWindow.h"
#include "mesh/engine/LoadMesh.h"
#include "mesh/engine/WriteObj.h"
#include "viewer/ui/QtGLWidget.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPointer>
#include <QStringList>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

namespace {

bool hasOpenGL()
{
    QOpenGLContext context;
    return context.create();
}

struct GrabRequest
{
    QString output;
    QString input;
    int mode = 4;
    int width = 800;
    int height = 600;
    // Clipping-plane settings loaded after the mesh; none when empty.
    QString planes;
    // Frames drawn turning the mesh before the still frame is taken; 0 none.
    int turnFrames = 0;
};

int grabFailure(const QString& message)
{
    std::cerr << "facetra: " << message.toLocal8Bit().constData() << std::endl;
    return 1;
}

const char* const grabUsage
    = "usage: facetra --grab OUT.png [--mode N] [--size WxH] [--planes F.slc] [--turn-frames N] "
      "FILE";

// Parses the arguments of grabUsage; an empty
// optional after printing one line when the arguments do not fit.
std::optional<GrabRequest> parseGrab(const QStringList& args)
{
    GrabRequest request;
    QStringList positional;
    for (int i = 2; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--mode")) {
            bool ok = false;
            request.mode = hasValue ? args[++i].toInt(&ok) : -1;
            if (!ok || request.mode < 0 || request.mode > 7) {
                grabFailure(QStringLiteral("--mode takes a render mode from 0 to 7"));
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--size")) {
            const QStringList parts = hasValue ? args[++i].split(QLatin1Char('x')) : QStringList();
            bool okW = false;
            bool okH = false;
            if (parts.size() == 2) {
                request.width = parts[0].toInt(&okW);
                request.height = parts[1].toInt(&okH);
            }
            if (!okW || !okH || request.width < 1 || request.height < 1 || request.width > 8192
                || request.height > 8192) {
                grabFailure(QStringLiteral("--size takes WIDTHxHEIGHT, each 1 to 8192"));
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--turn-frames")) {
            bool ok = false;
            request.turnFrames = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || request.turnFrames < 1 || request.turnFrames > 100000) {
                grabFailure(QStringLiteral("--turn-frames takes a frame count from 1 to 100000"));
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--planes")) {
            request.planes = hasValue ? args[++i] : QString();
            if (request.planes.isEmpty()) {
                grabFailure(QStringLiteral("--planes takes a clipping-plane settings file"));
                return std::nullopt;
            }
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 2) {
        grabFailure(QString::fromLatin1(grabUsage));
        return std::nullopt;
    }
    request.output = positional[0];
    request.input = positional[1];
    return request;
}

void printHelp()
{
    std::cout << "usage: facetra [FILE]\n       " << grabUsage
              << "\n       facetra --version | --help\n\n"
                 "FILE is opened at start (OBJ, net, PLY, STL, OFF, GTS, each also .gz).\n"
                 "--grab renders FILE in render mode N (0-7, default 4) at WxH pixels\n"
                 "(default 800x600) into OUT.png and exits: 0 on success, 1 otherwise.\n";
}

// Waits until the view has painted a frame after `painted` frames.
bool waitForFrame(QtGLWidget* view, std::uint64_t painted)
{
    QElapsedTimer clock;
    clock.start();
    while (view->framesPainted() <= painted && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return view->framesPainted() > painted;
}

int runGrab(QtMainWindow& window, const GrabRequest& request)
{
    QtGLWidget* view = window.glView();
    if (const std::string irregular
        = irregularFileProblem(QFile::encodeName(request.input).toStdString());
        !irregular.empty()) {
        return grabFailure(QFile::decodeName(irregular.c_str()));
    }
    if (meshFileKind(QFile::encodeName(request.input).toStdString()) == MeshFileKind::None) {
        return grabFailure(QStringLiteral("no reader for ") + request.input + QStringLiteral(" (")
            + QString::fromLatin1(readableMeshPatterns()) + QStringLiteral(")"));
    }
    if (!window.openFromCommandLine(request.input)) {
        return grabFailure(QStringLiteral("cannot read ") + request.input);
    }
    // The load made a fresh cube around the mesh; the settings replace its planes.
    if (!request.planes.isEmpty()
        && !view->workbench.loadPlanes(QFile::encodeName(request.planes).toStdString())) {
        return grabFailure(QStringLiteral("cannot read clipping planes ") + request.planes);
    }
    // A script wants the picture, not a window flashing on the screen.
    window.setAttribute(Qt::WA_DontShowOnScreen);
    window.show();
    // The view sets up its render mode when GL first starts; choose the mode
    // after that.
    if (!waitForFrame(view, 0)) {
        return grabFailure(QStringLiteral("the view painted no frame"));
    }
    window.rendermodeEvent(request.mode);
    // The window manager may settle the size only after mapping; size the view
    // again until it holds the requested size and a frame of that size exists.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QSize wanted(request.width, request.height);
        if (view->size() != wanted) {
            window.resize(window.size() + wanted - view->size());
        }
        view->update();
        if (!waitForFrame(view, view->framesPainted())) {
            return grabFailure(QStringLiteral("the view painted no frame"));
        }
        if (view->size() == wanted) {
            break;
        }
    }
    // Turning as a drag does, then the still frame that follows the motion.
    double turnSeconds = 0.0;
    if (request.turnFrames > 0) {
        turnSeconds = view->turnFrames(request.turnFrames);
        view->update();
        if (!waitForFrame(view, view->framesPainted())) {
            return grabFailure(QStringLiteral("the view painted no frame"));
        }
    }
    const QImage image = view->grabRendering();
    if (image.isNull()) {
        return grabFailure(QStringLiteral("the view gave no picture"));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")
        || !writeFileReplacing(
            QFile::encodeName(request.output).toStdString(), png.toStdString())) {
        return grabFailure(QStringLiteral("cannot write ") + request.output);
    }
    std::printf("wrote %dx%d rendering to %s\n", image.width(), image.height(),
        QFile::encodeName(request.output).constData());
    if (request.turnFrames > 0) {
        std::printf("turning: %d frames in %.3f s, %.1f frames/s\n", request.turnFrames,
            turnSeconds, turnSeconds > 0.0 ? request.turnFrames / turnSeconds : 0.0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Answered before Qt looks for a display, so that they work anywhere.
    if (argc == 2 && !std::strcmp(argv[1], "--version")) {
        std::cout << "facetra " FACETRA_VERSION "\n";
        return 0;
    }
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        printHelp();
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/facetra/facetra.png")));
    // Where the settings kept between runs (recent files) live.
    QCoreApplication::setOrganizationName(QStringLiteral("Facetra"));
    QCoreApplication::setApplicationName(QStringLiteral("Facetra"));
    if (!hasOpenGL()) {
        qWarning("This system has no OpenGL support. Exiting.");
        return -1;
    }
    // Progress lines go to the process's own standard output and error, which
    // are the console here; there is no console to allocate. Line by line, as a
    // console shows them, also when the output goes to a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::optional<GrabRequest> grab;
    const bool grabbing = argc > 1 && QLatin1String(argv[1]) == QLatin1String("--grab");
    if (grabbing) {
        grab = parseGrab(QCoreApplication::arguments());
        if (!grab) {
            return 1;
        }
    }

    // The window deletes itself when closed; whatever is left at the end goes here.
    QPointer<QtMainWindow> window = new QtMainWindow;
    const auto finish = [&window](int status) {
        delete window.data();
        return status;
    };

    if (grabbing) {
        return finish(runGrab(*window, *grab));
    }

    window->resizeView(800, 600);
    window->show();
    // The name as the system spells file names, so that "café.ply" is found.
    // A read that fails has put its reason on the error stream: no box.
    if (argc > 1 && !window->openFromCommandLine(QFile::decodeName(argv[1]))) {
        return finish(1);
    }
    return finish(app.exec());
}
