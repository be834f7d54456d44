#include "app/ui/QtMeshEditorDialogue.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

class MeshEditorDialogueTest : public QObject
{
    Q_OBJECT
private slots:
    void buttonsAreApplyReloadCloseWithoutOk();
    void reloadEmitsResetSignal();
    void applyRunsOnlyTheCurrentPagesAction();
    void closeHidesAndKeepsTheDialogue();
};

void MeshEditorDialogueTest::buttonsAreApplyReloadCloseWithoutOk()
{
    QtMeshEditorDialogue dialogue;
    QCOMPARE(dialogue.objectName(), QStringLiteral("mesheditor"));
    QVERIFY(!dialogue.isModal());
    QStringList texts;
    for (QPushButton* button : dialogue.findChildren<QPushButton*>())
        if (!dialogue.tabs()->isAncestorOf(button))
            texts << button->text();
    texts.sort();
    QCOMPARE(texts, QStringList({ "Apply", "Close", "Reload" }));
    // No button may be the dialogue's default: Return must not start a tool.
    for (QPushButton* button : dialogue.findChildren<QPushButton*>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
}

void MeshEditorDialogueTest::reloadEmitsResetSignal()
{
    QtMeshEditorDialogue dialogue;
    QSignalSpy reset(&dialogue, &QtMeshEditorDialogue::reset_signal);
    QTest::mouseClick(dialogue.reloadButton(), Qt::LeftButton);
    QCOMPARE(reset.count(), 1);
}

void MeshEditorDialogueTest::applyRunsOnlyTheCurrentPagesAction()
{
    QtMeshEditorDialogue dialogue;
    // The pages built into the program come first, in their order.
    const int builtIn = dialogue.tabs()->count();
    QStringList titles;
    for (int i = 0; i < builtIn; ++i)
        titles << dialogue.tabs()->tabText(i);
    QCOMPARE(titles, QStringList({ "Simplify", "Subdivide", "Classification" }));

    int firstRuns = 0;
    int thirdRuns = 0;
    auto* first = new QWidget;
    auto* second = new QWidget;
    auto* third = new QWidget;
    dialogue.addPage(first, QStringLiteral("First"), [&] { ++firstRuns; });
    dialogue.addPage(second, QStringLiteral("Second"));
    dialogue.addPage(third, QStringLiteral("Third"), [&] { ++thirdRuns; });
    QCOMPARE(dialogue.tabs()->count(), builtIn + 3);
    QCOMPARE(dialogue.tabs()->tabText(builtIn + 2), QStringLiteral("Third"));

    dialogue.tabs()->setCurrentWidget(third);
    QTest::mouseClick(dialogue.applyButton(), Qt::LeftButton);
    QCOMPARE(firstRuns, 0);
    QCOMPARE(thirdRuns, 1);

    // A page without an action: Apply changes nothing.
    dialogue.tabs()->setCurrentWidget(second);
    dialogue.apply_event();
    QCOMPARE(firstRuns + thirdRuns, 1);

    dialogue.tabs()->setCurrentWidget(first);
    dialogue.apply_event();
    QCOMPARE(firstRuns, 1);
    QCOMPARE(thirdRuns, 1);
}

void MeshEditorDialogueTest::closeHidesAndKeepsTheDialogue()
{
    QWidget owner;
    QPointer<QtMeshEditorDialogue> dialogue = new QtMeshEditorDialogue(&owner);
    dialogue->show();
    QVERIFY(dialogue->isVisible());
    QTest::mouseClick(dialogue->closeButton(), Qt::LeftButton);
    QVERIFY(!dialogue->isVisible());
    dialogue->close();
    QVERIFY(dialogue);
}

QTEST_MAIN(MeshEditorDialogueTest)
#include "MeshEditorDialogueTest.moc"
