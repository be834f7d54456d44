#include <QImage>
#include <QOpenGLContext>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString program = QStringLiteral(FACETRA_BIN);
const QString cubeFile = QStringLiteral(FACETRA_TEST_DATA "/cube.obj");

struct Run
{
    int status = -2;
    QString out;
    QString err;
};

Run run(const QStringList& args,
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

} // namespace

class EntryTest : public QObject
{
    Q_OBJECT
private slots:
    void withoutOpenGlItRefusesToStart();
    void missingStartFileEndsWithStatusOne();
    void grabWritesTheRendering();
    void grabRejectsBadArguments();
};

void EntryTest::withoutOpenGlItRefusesToStart()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The minimal platform has no GL at all, whatever display is around.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("minimal"));
    const Run r = run({ cubeFile }, env);
    QCOMPARE(r.status, 255);
    QVERIFY2(r.err.contains(QLatin1String("This system has no OpenGL support. Exiting.")),
        qPrintable(r.err));
}

void EntryTest::missingStartFileEndsWithStatusOne()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    const Run r = run({ QStringLiteral("no-such-mesh.obj") });
    QCOMPARE(r.status, 1);
    QVERIFY2(
        r.err.contains(QLatin1String("ERROR: Opening File: no-such-mesh.obj")), qPrintable(r.err));
}

void EntryTest::grabWritesTheRendering()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    QTemporaryDir folder;
    const QString polygons = folder.filePath(QStringLiteral("polygons.png"));
    const QString box = folder.filePath(QStringLiteral("box.png"));
    Run r = run({ QStringLiteral("--grab"), polygons, QStringLiteral("--size"),
        QStringLiteral("640x480"), cubeFile });
    QVERIFY2(r.status == 0, qPrintable(r.err));
    r = run({ QStringLiteral("--grab"), box, QStringLiteral("--mode"), QStringLiteral("7"),
        QStringLiteral("--size"), QStringLiteral("640x480"), cubeFile });
    QVERIFY2(r.status == 0, qPrintable(r.err));

    QImage solid(polygons);
    QImage outline(box);
    QCOMPARE(solid.size(), QSize(640, 480));
    QCOMPARE(outline.size(), QSize(640, 480));
    // White background at the corner; the lit cube covers the middle in
    // polygon mode, while the bounding box leaves the middle empty.
    QCOMPARE(QColor(solid.pixel(1, 1)), QColor(Qt::white));
    QVERIFY(QColor(solid.pixel(320, 240)) != QColor(Qt::white));
    QCOMPARE(QColor(outline.pixel(320, 240)), QColor(Qt::white));
    QVERIFY(solid != outline);
}

void EntryTest::grabRejectsBadArguments()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("out.png"));
    const QList<QStringList> cases = {
        { QStringLiteral("--grab"), out, QStringLiteral("--mode"), QStringLiteral("9"), cubeFile },
        { QStringLiteral("--grab"), out, QStringLiteral("--size"), QStringLiteral("0x10"),
            cubeFile },
        { QStringLiteral("--grab"), out },
        { QStringLiteral("--grab"), out, QStringLiteral("missing.obj") },
        { QStringLiteral("--grab"), out, QStringLiteral("picture.png") },
    };
    for (const QStringList& args : cases) {
        const Run r = run(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("facetra: ")), qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
    }
}

QTEST_MAIN(EntryTest)
#include "EntryTest.moc"
