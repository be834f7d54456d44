// The Classification page on its own: its mode buttons.
#include "../app/WindowTestUtil.h"

#include "segmentation/ui/QtMeshClassifierWidget.h"

#include <QSignalSpy>

class SegmentationPageTest : public QObject
{
    Q_OBJECT

private slots:
    void modeButtonsSendAndStayChecked();
};

void SegmentationPageTest::modeButtonsSendAndStayChecked()
{
    QtMeshClassifierWidget page;
    QPushButton* floyd = buttonNamed(&page, "Floyd SP");
    QPushButton* dijkstra = buttonNamed(&page, "Djikstra SP");
    QVERIFY(floyd->isChecked() && !dijkstra->isChecked());
    QSignalSpy modes(&page, &QtMeshClassifierWidget::sp_mode_signal);
    for (QPushButton* clicked : { dijkstra, dijkstra, floyd }) {
        QTest::mouseClick(clicked, Qt::LeftButton);
        QCOMPARE(modes.takeFirst().at(0).toInt(), clicked == dijkstra ? 1 : 0);
        QVERIFY(clicked->isChecked() && !(clicked == floyd ? dijkstra : floyd)->isChecked());
    }
    QCOMPARE(modes.count(), 0);
}

QTEST_MAIN(SegmentationPageTest)
#include "SegmentationPageTest.moc"
