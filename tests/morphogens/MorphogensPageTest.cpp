#include "app/ui/QtMainWindow.h"
#include "app/ui/QtMeshEditorDialogue.h"
#include "morphogens/ui/QtMorphogenWidget.h"
#include "viewer/ui/QtGLWidget.h"

#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

class MorphogensPageTest : public QObject
{
    Q_OBJECT
private slots:
    void pageShowsItsControls();
    void treeRowsToggleAndColour();
    void baseColourAndMixing();
    void saveAndLoadTheSetting();
    void refusedFilesAreShownOnThePage();
    void viewColoursAndSavesThroughTheRouting();
};

namespace {

using Names = std::vector<std::string>;

QColor swatchColour(QWidget* label)
{
    return static_cast<QLabel*>(label)->pixmap().toImage().pixelColor(8, 8);
}

QString readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(file.readAll());
}

void writeText(const QString& path, const char* text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
}

// Answers every colour question with colour; counts the questions.
void answerColour(QtMorphogenWidget& page, QColor colour, int* asked = nullptr)
{
    page.dialogs.colour = [colour, asked](const QColor&, QWidget*) {
        if (asked)
            ++*asked;
        return colour;
    };
}

void answerFile(QtMorphogenWidget& page, const QString& name)
{
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [name](QWidget*, const QString&, const QString&, const QString&) { return name; };
}

} // namespace

void MorphogensPageTest::pageShowsItsControls()
{
    QtMorphogenWidget page;
    QCOMPARE(page.objectName(), QStringLiteral("morphotab"));
    QCOMPARE(page.layout()->objectName(), QStringLiteral("vboxlayout"));
    QStringList titles;
    for (QGroupBox* group : page.findChildren<QGroupBox*>())
        titles << group->title();
    QCOMPARE(titles, QStringList({ "File:", "Base Colour: ", "Colour Mixing: " }));
    QStringList buttons;
    for (QPushButton* button : page.findChildren<QPushButton*>())
        buttons << button->text();
    QCOMPARE(buttons, QStringList({ "Load", "Save", "Choose a Colour" }));
    const auto radios = page.findChildren<QRadioButton*>();
    QCOMPARE(radios.size(), 2);
    QCOMPARE(radios[0]->text(), QStringLiteral("additive"));
    QVERIFY(radios[0]->isChecked() && !radios[1]->isChecked());
    QCOMPARE(radios[1]->text(), QStringLiteral("subtractive"));
    QCOMPARE(page.tree()->columnCount(), 3);
    QCOMPARE(page.tree()->minimumHeight(), 400);
    QCOMPARE(page.mixMode(), 0);
    QCOMPARE(page.baseColour(), QColor(0, 0, 0));
}

void MorphogensPageTest::treeRowsToggleAndColour()
{
    QtMorphogenWidget page;
    page.resize(400, 600);
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);
    Names names { "alpha", "beta" };
    page.buildtree_slot(names);
    QCOMPARE(spy.count(), 0);
    QTreeWidget* tree = page.tree();
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(1)->text(1), QStringLiteral("beta"));
    QCOMPARE(tree->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QCOMPARE(page.toggles(), (std::vector<int> { 0, 0 }));
    QVERIFY(!page.colours()[0].isValid());

    // A real click on the second row's check box.
    page.show();
    QTreeWidgetItem* beta = tree->topLevelItem(1);
    const QRect cell = tree->visualItemRect(beta);
    const int checkX = tree->header()->sectionPosition(0)
        + tree->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2 + 4;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(checkX, cell.center().y()));
    QCOMPARE(beta->checkState(0), Qt::Checked);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).value<std::vector<int>>(), (std::vector<int> { 0, 1 }));

    // The name column does nothing; the swatch column asks for a colour.
    int asked = 0;
    answerColour(page, QColor(255, 0, 0), &asked);
    page.itemClickedSlot(beta, 1);
    QCOMPARE(asked, 0);
    QCOMPARE(spy.count(), 1);
    page.itemClickedSlot(beta, 2);
    QCOMPARE(asked, 1);
    QCOMPARE(page.colours()[1], QColor(255, 0, 0));
    QCOMPARE(swatchColour(tree->itemWidget(beta, 2)), QColor(255, 0, 0));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(2).value<std::vector<QColor>>()[1], QColor(255, 0, 0));

    // A cancelled colour dialogue changes nothing and sends nothing.
    answerColour(page, QColor());
    page.itemClickedSlot(beta, 2);
    QCOMPARE(page.colours()[1], QColor(255, 0, 0));
    QCOMPARE(swatchColour(tree->itemWidget(beta, 2)), QColor(255, 0, 0));
    QCOMPARE(spy.count(), 2);

    // A new mesh replaces the rows.
    Names one { "gamma" };
    page.buildtree_slot(one);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(page.colours().size(), std::size_t(1));
    QCOMPARE(page.toggles(), std::vector<int> { 0 });
}

void MorphogensPageTest::baseColourAndMixing()
{
    QtMorphogenWidget page;
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);
    answerColour(page, QColor(10, 20, 30));
    QTest::mouseClick(page.findChildren<QPushButton*>().at(2), Qt::LeftButton);
    QCOMPARE(page.baseColour(), QColor(10, 20, 30));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(3).value<QColor>(), QColor(10, 20, 30));
    QCOMPARE(swatchColour(page.findChildren<QLabel*>().at(1)), QColor(10, 20, 30));

    answerColour(page, QColor());
    page.pickcolpressed_slot();
    QCOMPARE(page.baseColour(), QColor(10, 20, 30));
    QCOMPARE(spy.count(), 1);

    const auto radios = page.findChildren<QRadioButton*>();
    QTest::mouseClick(radios[1], Qt::LeftButton);
    QCOMPARE(page.mixMode(), 1);
    QTest::mouseClick(radios[0], Qt::LeftButton);
    QCOMPARE(page.mixMode(), 0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(1).at(0).toInt(), 1);
}

void MorphogensPageTest::saveAndLoadTheSetting()
{
    QTemporaryDir dir;
    QtMorphogenWidget page;
    Names names { "alpha", "beta" };
    page.buildtree_slot(names);
    answerColour(page, QColor(255, 0, 0));
    page.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page.itemClickedSlot(page.tree()->topLevelItem(0), 0);
    page.itemClickedSlot(page.tree()->topLevelItem(0), 2);
    answerColour(page, QColor(0, 0, 255));
    page.itemClickedSlot(page.tree()->topLevelItem(1), 2);
    answerColour(page, QColor(128, 128, 128));
    page.pickcolpressed_slot();
    page.substractiveclick_slot();

    answerFile(page, dir.filePath("abcde"));
    page.saveSlot();
    const QString text = "SIZE 2\nBASECOL 128 128 128\nMIXMODE 1\n"
                         "MORPHO\t255 0 0 1\nMORPHO\t0 0 255 0\n";
    QCOMPARE(readAll(dir.filePath("abcde.mor")), text);
    QVERIFY(page.statusText().isEmpty());

    QtMorphogenWidget other;
    other.buildtree_slot(names);
    QSignalSpy spy(&other, &QtMorphogenWidget::buildvertexcolour_signal);
    answerFile(other, dir.filePath("abcde.mor"));
    other.loadSlot();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(other.mixMode(), 1);
    QCOMPARE(other.baseColour(), QColor(128, 128, 128));
    QCOMPARE(other.colours(), page.colours());
    QCOMPARE(other.toggles(), (std::vector<int> { 1, 0 }));
    const auto radios = other.findChildren<QRadioButton*>();
    QVERIFY(!radios[0]->isChecked() && radios[1]->isChecked());
    QTreeWidget* tree = other.tree();
    QCOMPARE(tree->topLevelItem(0)->checkState(0), Qt::Checked);
    QCOMPARE(tree->topLevelItem(1)->checkState(0), Qt::Unchecked);
    QCOMPARE(tree->topLevelItem(1)->text(1), QStringLiteral("beta"));
    QCOMPARE(swatchColour(tree->itemWidget(tree->topLevelItem(1), 2)), QColor(0, 0, 255));
    QCOMPARE(swatchColour(other.findChildren<QLabel*>().at(1)), QColor(128, 128, 128));
}

void MorphogensPageTest::refusedFilesAreShownOnThePage()
{
    QTemporaryDir dir;
    QtMorphogenWidget page;
    Names names { "alpha", "beta" };
    page.buildtree_slot(names);
    QSignalSpy spy(&page, &QtMorphogenWidget::buildvertexcolour_signal);

    writeText(dir.filePath("three.mor"), "BASECOL 9 9 9\nSIZE 3\n");
    answerFile(page, dir.filePath("three.mor"));
    page.loadSlot();
    QCOMPARE(spy.count(), 0);
    QCOMPARE(page.baseColour(), QColor(0, 0, 0));
    QVERIFY(page.statusText().contains(QStringLiteral("SIZE 3")));
    QVERIFY(page.findChild<QLabel*>("morphostatus")->isVisibleTo(&page));

    answerFile(page, dir.filePath("no/such/folder/set.mor"));
    page.saveSlot();
    QVERIFY(page.statusText().startsWith(QStringLiteral("Could not write")));
    page.loadSlot();
    QVERIFY(!page.statusText().isEmpty());
    QCOMPARE(spy.count(), 0);

    // An empty answer does nothing at all.
    answerFile(page, QString());
    page.saveSlot();
    page.loadSlot();
    QCOMPARE(spy.count(), 0);
}

void MorphogensPageTest::viewColoursAndSavesThroughTheRouting()
{
    QTemporaryDir dir;
    writeText(dir.filePath("m.obj"),
        "mn alpha beta\nv 0 0 0\nv 1 0 0\nv 0 1 0\nm 1 0\nm 0 1\nm 0 0\nf 1 2 3\n");
    QtMainWindow window;
    QtGLWidget* view = window.glView();
    QtMorphogenWidget* page = window.meshEditor->morphogenPage;
    QVERIFY(page);
    QVERIFY(view->loadMesh(dir.filePath("m.obj")));
    QCOMPARE(page->tree()->topLevelItemCount(), 2);
    QVERIFY(!view->mesh.vertexColoursSet);

    // Nothing coloured yet: the default display colour is not saved.
    QVERIFY(view->saveMesh(dir.filePath("plain.obj")));
    QVERIFY(!readAll(dir.filePath("plain.obj")).contains(QStringLiteral("vc ")));

    answerColour(*page, QColor(255, 0, 0));
    page->itemClickedSlot(page->tree()->topLevelItem(0), 2);
    page->tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->itemClickedSlot(page->tree()->topLevelItem(0), 0);
    QVERIFY(view->mesh.vertexColoursSet);
    QCOMPARE(view->mesh.vertexColours[0].x, 0.5f);
    QCOMPARE(view->mesh.vertexColours[1].x, 0.0f);

    QVERIFY(view->saveMesh(dir.filePath("coloured.obj")));
    QCOMPARE(readAll(dir.filePath("coloured.obj")),
        QStringLiteral("v 0 0 0\nv 1 0 0\nv 0 1 0\nvc 0.5 0 0\nvc 0 0 0\nvc 0 0 0\n"
                       "f 1/1/ 2/2/ 3/3/\n"));

    // Reload brings back the loaded colours, which are the default again.
    view->reload_slot();
    QVERIFY(!view->mesh.vertexColoursSet);
}

QTEST_MAIN(MorphogensPageTest)
#include "MorphogensPageTest.moc"
