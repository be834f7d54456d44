#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class MorphogensPageTest : public QObject
{
    Q_OBJECT
private slots:
    void clicksColoursAndFilesReachTheSignal();
    void viewSavesOnlyColoursTheMorphogensMade();
    void buildtreeReplacesEveryRow_data();
    void buildtreeReplacesEveryRow();
};

namespace {

std::vector<std::string> twoNames { "alpha", "beta" };

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void answer(QtMorphogenWidget& page, QColor colour, QString file = {})
{
    page.dialogs.colour = [colour](const QColor&, QWidget*) { return colour; };
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [file](QWidget*, const QString&, const QString&, const QString&) { return file; };
}

} // namespace

void MorphogensPageTest::clicksColoursAndFilesReachTheSignal()
{
    QTemporaryDir dir;
    QtMorphogenWidget page;
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);
    page.buildtree_slot(twoNames);
    QTreeWidget* tree = page.tree();

    // A real click on the first row's check box.
    page.show();
    QTreeWidgetItem* alpha = tree->topLevelItem(0);
    const int x = tree->header()->sectionPosition(0) + 4
        + tree->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2;
    QTest::mouseClick(
        tree->viewport(), Qt::LeftButton, {}, { x, tree->visualItemRect(alpha).center().y() });
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).value<std::vector<int>>(), (std::vector<int> { 1, 0 }));

    answer(page, Qt::red, dir.filePath("abcde"));
    page.itemClickedSlot(alpha, 2);
    page.pickcolpressed_slot();
    page.substractiveclick_slot();
    QCOMPARE(spy.count(), 4);
    // Cancelled colour dialogues change nothing and send nothing.
    answer(page, QColor(), dir.filePath("abcde"));
    page.itemClickedSlot(alpha, 2);
    page.pickcolpressed_slot();
    QCOMPARE(spy.count(), 4);
    QCOMPARE(page.baseColour(), QColor(Qt::red));

    // What the page saves, another page loads and sends unchanged.
    page.saveSlot();
    QtMorphogenWidget other;
    other.buildtree_slot(twoNames);
    QSignalSpy loaded(&other, &QtMorphogenWidget::buildvertexcolour_signal);
    answer(other, QColor(), dir.filePath("abcde.mor"));
    other.loadSlot();
    QCOMPARE(loaded.count(), 1);
    for (int i : { 0, 1, 3 }) // mode, toggles, base; an unset colour comes back black
        QCOMPARE(loaded.at(0).at(i), spy.at(3).at(i));
}

void MorphogensPageTest::viewSavesOnlyColoursTheMorphogensMade()
{
    QTemporaryDir dir;
    QFile mesh(dir.filePath("m.obj"));
    QVERIFY(mesh.open(QIODevice::WriteOnly)
        && mesh.write("mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 1 0\nm 0 1\nf 1 2 3\n"));
    mesh.close();
    QtMainWindow window;
    // The tools run at once: these checks are about the pages, not the runs.
    window.glView()->setToolRunner(nullptr);
    QtGLWidget* view = window.glView();
    QtMorphogenWidget* page = window.meshEditor->morphogenPage;
    QVERIFY(view->loadMesh(dir.filePath("m.obj")));

    // The default display colour of an uncoloured mesh is not saved.
    QVERIFY(view->saveMesh(dir.filePath("plain.obj")));
    QVERIFY(!readAll(dir.filePath("plain.obj")).contains(QStringLiteral("vc")));

    answer(*page, Qt::red);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 2);
    page->tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 0);
    QVERIFY(view->saveMesh(dir.filePath("coloured.obj")));
    QCOMPARE(readAll(dir.filePath("coloured.obj")),
        QStringLiteral(
            "v 0 0 0\nv 1 0 0\nv 0 1 0\nvc 0.5 0 0\nvc 0 0 0\nvc 0 0 0\nf 1/1/ 2/2/ 3/3/\n"));

    view->reload_slot();
    QVERIFY(!view->mesh.vertexColoursSet);
}

void MorphogensPageTest::buildtreeReplacesEveryRow_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("more") << QStringList { "gamma", "delta", "eps" };
    QTest::newRow("fewer") << QStringList { "gamma" };
    QTest::newRow("none") << QStringList {};
}

// A new mesh's names replace the rows of the last one, with its colours and
// switches; nothing is sent.
void MorphogensPageTest::buildtreeReplacesEveryRow()
{
    QFETCH(QStringList, names);
    QtMorphogenWidget page;
    page.buildtree_slot(twoNames);
    answer(page, Qt::red);
    QTreeWidgetItem* alpha = page.tree()->topLevelItem(0);
    alpha->setCheckState(0, Qt::Checked);
    page.itemClickedSlot(alpha, 0);
    page.itemClickedSlot(alpha, 2);
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);

    std::vector<std::string> fresh;
    for (const QString& name : names)
        fresh.push_back(name.toStdString());
    page.buildtree_slot(fresh);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(page.tree()->topLevelItemCount(), names.size());
    QCOMPARE(page.names(), fresh);
    QCOMPARE(page.toggles(), std::vector<int>(fresh.size(), 0));
    QCOMPARE(page.colours(), std::vector<QColor>(fresh.size()));
    for (int r = 0; r < names.size(); ++r) {
        QCOMPARE(page.tree()->topLevelItem(r)->text(1), names[r]);
        QCOMPARE(page.tree()->topLevelItem(r)->checkState(0), Qt::Unchecked);
    }
}

QTEST_MAIN(MorphogensPageTest)
#include "MorphogensPageTest.moc"
