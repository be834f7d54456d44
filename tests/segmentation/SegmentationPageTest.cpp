// The Classification page on its own: showing settings, and its buttons.
#include "segmentation/ui/QtMeshClassifierWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

namespace {

QPushButton* button(QWidget& page, const QString& text)
{
    for (QPushButton* b : page.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class SegmentationPageTest : public QObject
{
    Q_OBJECT

private slots:
    void showSettingsSetsTheControlsAndSendsNothing_data();
    void showSettingsSetsTheControlsAndSendsNothing();
    void modeButtonsSendAndStayChecked();
};

void SegmentationPageTest::showSettingsSetsTheControlsAndSendsNothing_data()
{
    QTest::addColumn<double>("weight");
    QTest::addColumn<int>("spMode");
    QTest::addColumn<int>("patches");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::newRow("start") << 0.5 << 0 << 1 << 50 << "0.5";
    QTest::newRow("dijkstra") << 0.25 << 1 << 7 << 25 << "0.25";
    QTest::newRow("between steps") << 0.333 << 1 << 50 << 33 << "0.333";
    QTest::newRow("floyd, full weight") << 1.0 << 0 << 2 << 100 << "1";
}

// Each row starts from other settings, so every control has to move.
void SegmentationPageTest::showSettingsSetsTheControlsAndSendsNothing()
{
    QFETCH(double, weight);
    QFETCH(int, spMode);
    QFETCH(int, patches);
    QFETCH(QString, label);
    QtMeshClassifierWidget page;
    page.showSettings(0.9, 1 - spMode);
    page.showPatchCount(patches == 1 ? 20 : 1);
    QSignalSpy weights(&page, &QtMeshClassifierWidget::weight_signal);
    QSignalSpy modes(&page, &QtMeshClassifierWidget::sp_mode_signal);
    QSignalSpy counts(&page, &QtMeshClassifierWidget::numpatches_signal);
    page.showSettings(weight, spMode);
    page.showPatchCount(patches);

    QCOMPARE(weights.count() + modes.count() + counts.count(), 0);
    QTEST(page.weightSlider->value(), "position");
    QCOMPARE(page.weightLabel->text(), QStringLiteral("Weight:\t") + label);
    QCOMPARE(page.weight, float(weight));
    QCOMPARE(button(page, QStringLiteral("Floyd SP"))->isChecked(), spMode == 0);
    QCOMPARE(button(page, QStringLiteral("Djikstra SP"))->isChecked(), spMode == 1);
    QCOMPARE(page.numPatchesSlider->value(), patches);
    QCOMPARE(page.numPatchesLabel->text(),
        QStringLiteral("Number of Patches:\t") + QString::number(patches));
    QCOMPARE(page.numPatches, patches);
}

void SegmentationPageTest::modeButtonsSendAndStayChecked()
{
    QtMeshClassifierWidget page;
    QPushButton* floyd = button(page, QStringLiteral("Floyd SP"));
    QPushButton* dijkstra = button(page, QStringLiteral("Djikstra SP"));
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
