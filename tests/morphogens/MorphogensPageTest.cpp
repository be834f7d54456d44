// The Morphogens page: what its clicks, colours and files send, a new mesh's
// rows, and the view saving only colours the morphogens made. Its rows after
// Open, Reload and Undo are checked through the window, in the app's
// PagesMirrorTest.
#include "../app/WindowTestUtil.h"

#include "morphogens/ui/QtMorphogenWidget.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeWidget>

class MorphogensPageTest : public QObject
{
    Q_OBJECT
private slots:
    void clicksColoursAndFilesReachTheSignal();
    void viewSavesOnlyColoursTheMorphogensMade();
    void aNewMeshsNamesReplaceEveryRow();
};

namespace {

std::vector<std::string> twoNames { "alpha", "beta" };

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
    std::ofstream(dir.filePath("m.obj").toStdString())
        << "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 1 0\nm 0 1\nf 1 2 3\n";
    QtMainWindow window;
    QtGLWidget* view = window.glView();
    view->setToolRunner(nullptr);
    QtMorphogenWidget* page = window.meshEditor->morphogenPage;
    QVERIFY(view->loadMesh(dir.filePath("m.obj")));

    // The default display colour of an uncoloured mesh is not saved; the
    // morphogens are.
    QVERIFY(view->saveMesh(dir.filePath("plain.obj")));
    QVERIFY(!contents(dir.filePath("plain.obj")).contains("vc"));

    answer(*page, Qt::red);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 2);
    page->tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 0);
    QVERIFY(view->saveMesh(dir.filePath("coloured.obj")));
    QCOMPARE(contents(dir.filePath("coloured.obj")),
        QByteArray("mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvc 0.5 0 0\nvc 0 0 0\nvc 0 0 "
                   "0\nm 1 0\nm 0 1\nm 0 0\nf 1/1/ 2/2/ 3/3/\n"));
}

// The rows of the last mesh go with their colours and switches; nothing is
// sent. Fewer names and none come through the window.
void MorphogensPageTest::aNewMeshsNamesReplaceEveryRow()
{
    QtMorphogenWidget page;
    page.buildtree_slot(twoNames);
    answer(page, Qt::red);
    QTreeWidgetItem* alpha = page.tree()->topLevelItem(0);
    alpha->setCheckState(0, Qt::Checked);
    page.itemClickedSlot(alpha, 0);
    page.itemClickedSlot(alpha, 2);
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);

    std::vector<std::string> three { "gamma", "delta", "eps" };
    page.buildtree_slot(three);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(page.tree()->topLevelItemCount(), 3);
    QCOMPARE(page.names(), three);
    QCOMPARE(page.toggles(), std::vector<int>(3, 0));
    QCOMPARE(page.colours(), std::vector<QColor>(3));
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(
            page.tree()->topLevelItem(r)->text(1), QString::fromStdString(three[std::size_t(r)]));
        QCOMPARE(page.tree()->topLevelItem(r)->checkState(0), Qt::Unchecked);
    }
}

QTEST_MAIN(MorphogensPageTest)
#include "MorphogensPageTest.moc"
