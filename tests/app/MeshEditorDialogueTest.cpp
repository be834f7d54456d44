#include "app/ui/QtMeshEditorDialogue.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

class MeshEditorDialogueTest : public QObject
{
    Q_OBJECT
private slots:
    void returnStartsNoToolAndCloseOnlyHides();
    void applyRunsOnlyTheCurrentPagesAction();
};

void MeshEditorDialogueTest::returnStartsNoToolAndCloseOnlyHides()
{
    QWidget owner;
    QPointer<QtMeshEditorDialogue> dialogue = new QtMeshEditorDialogue(&owner);
    QStringList texts;
    for (QPushButton* button : dialogue->findChildren<QPushButton*>()) {
        texts << button->text();
        QVERIFY(!button->isDefault() && !button->autoDefault());
    }
    texts.sort();
    QCOMPARE(texts, QStringList({ "Apply", "Close", "Reload" }));
    QSignalSpy reset(dialogue.data(), &QtMeshEditorDialogue::reset_signal);
    QTest::mouseClick(dialogue->reloadButton(), Qt::LeftButton);
    QCOMPARE(reset.count(), 1);
    dialogue->show();
    QTest::mouseClick(dialogue->closeButton(), Qt::LeftButton);
    QVERIFY(!dialogue->isVisible());
    dialogue->close();
    QVERIFY(dialogue);
}

void MeshEditorDialogueTest::applyRunsOnlyTheCurrentPagesAction()
{
    QtMeshEditorDialogue dialogue;
    // The pages built into the program come first, in their order.
    const int builtIn = dialogue.tabs()->count();
    QStringList titles;
    for (int i = 0; i < builtIn; ++i)
        titles << dialogue.tabs()->tabText(i);
    QCOMPARE(titles, QStringList({ "Simplify", "Subdivide" }));
    int firstRuns = 0, thirdRuns = 0;
    auto *first = new QWidget, *second = new QWidget, *third = new QWidget;
    dialogue.addPage(first, QStringLiteral("First"), [&] { ++firstRuns; });
    dialogue.addPage(second, QStringLiteral("Second"));
    dialogue.addPage(third, QStringLiteral("Third"), [&] { ++thirdRuns; });
    QCOMPARE(dialogue.tabs()->tabText(builtIn + 2), QStringLiteral("Third"));
    dialogue.tabs()->setCurrentWidget(third);
    QTest::mouseClick(dialogue.applyButton(), Qt::LeftButton);
    dialogue.tabs()->setCurrentWidget(second); // no action: Apply changes nothing
    dialogue.apply_event();
    QCOMPARE(firstRuns, 0);
    QCOMPARE(thirdRuns, 1);
}

QTEST_MAIN(MeshEditorDialogueTest)
#include "MeshEditorDialogueTest.moc"
