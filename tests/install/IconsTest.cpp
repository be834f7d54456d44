// The icons of the menus and dialogues: a file in the working directory first,
// as a user may put their own there, otherwise the copy built into the program,
// so an installed workbench started from any folder shows them all.
#include "FacetraVersion.h"
#include "app/ui/QtMainWindow.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QOpenGLContext>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// The colour at the middle of the icon drawn 16 pixels wide; transparent for an empty icon.
QRgb middleOf(const QIcon& icon)
{
    const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    return image.isNull() ? 0 : image.pixel(image.width() / 2, image.height() / 2);
}

// Whether any pixel of the icon is drawn.
bool drawn(const QIcon& icon)
{
    const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

// Every icon the window shows: the File menu's, the "open" and "save" buttons of
// the lighting and clipping pages, and the lighting dialogue's own.
QList<QIcon> iconsOf(QtMainWindow& window)
{
    QList<QIcon> icons;
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (menu->title() != QLatin1String("&File"))
            continue;
        for (QAction* action : menu->actions()) {
            if (action->text().endsWith(QLatin1String("...")) && !action->icon().isNull())
                icons << action->icon();
        }
    }
    for (const char* name : { "open", "save" }) {
        for (QPushButton* button : window.findChildren<QPushButton*>(QLatin1String(name)))
            icons << button->icon();
    }
    if (auto* lights = window.findChild<QDialog*>(QStringLiteral("lighteditor")))
        icons << lights->windowIcon();
    return icons;
}

} // namespace

class IconsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { QDir::setCurrent(startFolder); }

    void builtInIconsWhenTheWorkingDirectoryHasNone();
    void aFileInTheWorkingDirectoryComesFirst();
    void aboutNamesTheVersion();

private:
    QString startFolder = QDir::currentPath();
};

void IconsTest::initTestCase()
{
    if (!QOpenGLContext().create())
        QSKIP("no OpenGL on this display");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
}

void IconsTest::builtInIconsWhenTheWorkingDirectoryHasNone()
{
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    auto window = std::make_unique<QtMainWindow>();
    const QList<QIcon> icons = iconsOf(*window);
    // Open, Save As, Save ALL, Save Rendering; two pages with two buttons; the dialogue.
    QCOMPARE(icons.size(), 9);
    for (const QIcon& icon : icons)
        QVERIFY(drawn(icon));
}

void IconsTest::aFileInTheWorkingDirectoryComesFirst()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("icons")));
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const char* name : { "fileopen.xpm", "icons/fileopen.xpm" })
        QVERIFY(red.save(folder.filePath(QLatin1String(name)), "XPM"));
    QVERIFY(QDir::setCurrent(folder.path()));
    auto window = std::make_unique<QtMainWindow>();

    int reds = 0;
    for (QMenu* menu : window->findChildren<QMenu*>()) {
        for (QAction* action : menu->actions()) {
            if (action->text() == QLatin1String("Open..."))
                reds += middleOf(action->icon()) == qRgb(255, 0, 0);
        }
    }
    for (QPushButton* button : window->findChildren<QPushButton*>(QStringLiteral("open")))
        reds += middleOf(button->icon()) == qRgb(255, 0, 0);
    QCOMPARE(reds, 3);
    // The files the folder lacks still come from the program.
    for (QPushButton* button : window->findChildren<QPushButton*>(QStringLiteral("save"))) {
        QVERIFY(drawn(button->icon()));
        QVERIFY(middleOf(button->icon()) != qRgb(255, 0, 0));
    }
}

void IconsTest::aboutNamesTheVersion()
{
    QVERIFY(QtMainWindow::aboutText().contains(QLatin1String(FACETRA_VERSION)));
    QtMainWindow window;
    bool found = false;
    for (QMenu* menu : window.findChildren<QMenu*>()) {
        if (menu->title() != QLatin1String("&Help"))
            continue;
        for (QAction* action : menu->actions())
            found |= action->text() == QLatin1String("&About Facetra");
    }
    QVERIFY(found);
}

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
