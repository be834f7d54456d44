#include "refinement/ui/QtMeshSubdivideWidget.h"

#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

class RefinementPagesTest : public QObject
{
    Q_OBJECT
private slots:
    void subdivideSendsOnlyRealLevels();
};

void RefinementPagesTest::subdivideSendsOnlyRealLevels()
{
    QtMeshSubdivideWidget page;
    QSignalSpy spy(&page, &QtMeshSubdivideWidget::subdivide_signal);
    page.apply(); // level 0 is no subdivision: nothing is sent
    page.findChild<QSlider*>(QStringLiteral("subdivlevel_slider"))->setValue(2);
    page.findChild<QSlider*>(QStringLiteral("weight_slider"))->setValue(25);
    page.apply();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), QVariantList({ 2, -0.0625f }));
}

QTEST_MAIN(RefinementPagesTest)
#include "RefinementPagesTest.moc"
