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
    QString err;
};

Run run(const QStringList& args, const QString& platform = QString())
{
    QProcess process;
    if (!platform.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        process.setProcessEnvironment(env);
    }
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return { process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()) };
}

} // namespace

class EntryTest : public QObject
{
    Q_OBJECT
private slots:
    void withoutOpenGlItRefusesToStart();
    void grabWritesTheRenderingAndBadArgumentsEndWithStatusOne();
};

void EntryTest::withoutOpenGlItRefusesToStart()
{
    // The minimal platform has no GL at all, whatever display is around.
    const Run r = run({ cubeFile }, QStringLiteral("minimal"));
    QCOMPARE(r.status, 255);
    QVERIFY2(r.err.contains(QLatin1String("This system has no OpenGL support. Exiting.")),
        qPrintable(r.err));
}

void EntryTest::grabWritesTheRenderingAndBadArgumentsEndWithStatusOne()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    QTemporaryDir folder;
    const QString out = folder.filePath(QStringLiteral("out.png"));
    const QString size = QStringLiteral("640x480");
    for (const QString& mode : { QStringLiteral("4"), QStringLiteral("7") }) {
        const Run r = run({ "--grab", out, "--mode", mode, "--size", size, cubeFile });
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QImage image(out);
        QCOMPARE(image.size(), QSize(640, 480));
        // The lit cube covers the middle in polygon mode; the bounding box leaves it empty.
        QCOMPARE(image.pixel(1, 1), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(320, 240) == qRgb(255, 255, 255), mode == QLatin1String("7"));
        QFile::remove(out);
    }
    const QList<QStringList> cases = { { "no-such-mesh.obj" },
        { "--grab", out, "--mode", "9", cubeFile }, { "--grab", out, "--size", "0x10", cubeFile },
        { "--grab", out }, { "--grab", out, "missing.obj" }, { "--grab", out, "picture.png" } };
    for (const QStringList& args : cases) {
        const Run r = run(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(
                     args.size() == 1 ? "ERROR: Opening File: no-such-mesh.obj" : "facetra: "),
            qPrintable(r.err));
        QVERIFY(!QFile::exists(out));
    }
}

QTEST_MAIN(EntryTest)
#include "EntryTest.moc"
