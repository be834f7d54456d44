#include "app/ui/QtMeshEditorDialogue.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

class MeshEditorDialogueTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone();
};

void MeshEditorDialogueTest::applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone()
{
    QtMeshEditorDialogue dialogue;
    // No button may be the default: Return must not start a tool.
    for (QPushButton* button : dialogue.findChildren<QPushButton*>())
        QVERIFY(!button->isDefault() && !button->autoDefault());
    int firstRuns = 0, thirdRuns = 0;
    auto *first = new QWidget, *second = new QWidget, *third = new QWidget;
    dialogue.addPage(first, QStringLiteral("First"), [&] { ++firstRuns; });
    dialogue.addPage(second, QStringLiteral("Second"));
    dialogue.addPage(third, QStringLiteral("Third"), [&] { ++thirdRuns; });
    dialogue.tabs()->setCurrentWidget(third);
    QTest::mouseClick(dialogue.applyButton(), Qt::LeftButton);
    dialogue.tabs()->setCurrentWidget(second); // no action: Apply changes nothing
    dialogue.apply_event();
    QCOMPARE(firstRuns, 0);
    QCOMPARE(thirdRuns, 1);
    // Close only hides.
    dialogue.show();
    QTest::mouseClick(dialogue.closeButton(), Qt::LeftButton);
    QVERIFY(!dialogue.isVisible());
}

QTEST_MAIN(MeshEditorDialogueTest)
#include "MeshEditorDialogueTest.moc"
