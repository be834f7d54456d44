// The icons of the menus and dialogues: a file in the working directory first,
// as a user may put their own there, otherwise the copy built into the program,
// so an installed workbench started from any folder shows them all.
#include "../app/WindowTestUtil.h"
#include "FacetraVersion.h"

#include <QDialog>
#include <QMenu>

namespace {

QImage drawing(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}
bool drawn(const QIcon& icon)
{
    return countPixels(drawing(icon), [](QRgb p) { return qAlpha(p) != 0; }) > 0;
}
bool red(const QIcon& icon)
{
    const QImage image = drawing(icon);
    return !image.isNull() && image.pixel(image.width() / 2, image.height() / 2) == qRgb(255, 0, 0);
}

// The actions of the window's menus with this title.
QList<QAction*> menu(QtMainWindow& window, const QString& title)
{
    QList<QAction*> actions;
    for (QMenu* menu : window.findChildren<QMenu*>())
        actions += menu->title() == title ? menu->actions() : QList<QAction*>();
    return actions;
}

} // namespace

class IconsTest : public QObject
{
    Q_OBJECT
    QString startFolder = QDir::currentPath();
private slots:
    void initTestCase()
    {
        SKIP_WITHOUT_GL();
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("FacetraTest"));
    }
    void cleanup() { QDir::setCurrent(startFolder); }

    void builtInIconsWhenTheWorkingDirectoryHasNoneAndAboutNamesTheVersion();
    void aFileInTheWorkingDirectoryComesFirst();
};

void IconsTest::builtInIconsWhenTheWorkingDirectoryHasNoneAndAboutNamesTheVersion()
{
    QTemporaryDir empty;
    QVERIFY(QDir::setCurrent(empty.path()));
    QtMainWindow window;
    // Open, Save As, Save ALL, Save Rendering; the "open" and "save" buttons of the
    // lighting and clipping pages; the lighting dialogue's own.
    QList<QIcon> icons;
    for (QAction* action : menu(window, QStringLiteral("&File"))) {
        if (action->text().endsWith(QLatin1String("...")) && !action->icon().isNull())
            icons << action->icon();
    }
    for (const char* name : { "open", "save" }) {
        for (QPushButton* button : window.findChildren<QPushButton*>(QLatin1String(name)))
            icons << button->icon();
    }
    icons << window.findChild<QDialog*>(QStringLiteral("lighteditor"))->windowIcon();
    QCOMPARE(icons.size(), 9);
    QVERIFY(std::all_of(icons.begin(), icons.end(), drawn));

    QVERIFY(QtMainWindow::aboutText().contains(QLatin1String(FACETRA_VERSION)));
    const QList<QAction*> help = menu(window, QStringLiteral("&Help"));
    QVERIFY(std::any_of(help.begin(), help.end(),
        [](QAction* a) { return a->text() == QLatin1String("&About Facetra"); }));
}

void IconsTest::aFileInTheWorkingDirectoryComesFirst()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("icons")));
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (const char* name : { "fileopen.xpm", "icons/fileopen.xpm" })
        QVERIFY(image.save(folder.filePath(QLatin1String(name)), "XPM"));
    QVERIFY(QDir::setCurrent(folder.path()));
    QtMainWindow window;
    int reds = 0;
    for (QAction* action : window.findChildren<QAction*>())
        reds += action->text() == QLatin1String("Open...") && red(action->icon());
    for (QPushButton* button : window.findChildren<QPushButton*>(QStringLiteral("open")))
        reds += red(button->icon());
    QCOMPARE(reds, 3);
    // The files the folder lacks still come from the program.
    for (QPushButton* button : window.findChildren<QPushButton*>(QStringLiteral("save")))
        QVERIFY(drawn(button->icon()) && !red(button->icon()));
}

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
