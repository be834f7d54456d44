// The dialogue pages that need no GL; the Clipping Planes page on its own:
// what its buttons send.
#include "app/ui/QtMeshEditorDialogue.h"
#include "clipping/ui/QtCLippingWidget.h"
#include "viewer/ui/QtLightSettingsWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QtTest>

#include <tuple>

using Planes = std::array<bool, 6>;

class PagesTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone();
    void positionIsSentOnceOnReleaseOrFromOutside();
    void clippingFileDialoguesSendNothingOnCancelAndAddTheSuffix();
    void aClickSelectsOnePlaneAloneOrDeselectsIt();
};

void PagesTest::applyRunsOnlyTheCurrentPagesActionAndReturnStartsNone()
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
}

void PagesTest::positionIsSentOnceOnReleaseOrFromOutside()
{
    QtLightSettingsWidget page;
    QSignalSpy position(&page, &QtLightSettingsWidget::light_position_signal);
    auto* altitude = page.findChild<QSlider*>(QStringLiteral("l_altitude_slider"));
    altitude->setSliderDown(true);
    altitude->setSliderPosition(90);
    QCOMPARE(position.count(), 0);
    altitude->setSliderDown(false);
    // Called from outside, the slot moves its slider and still sends only once.
    page.l_azimuth_event(45);
    QCOMPARE(position.count(), 2);
    QCOMPARE(position.at(0), QVariantList({ 90.0f, 180.0f }));
    QCOMPARE(position.at(1), QVariantList({ 90.0f, 45.0f }));
    QCOMPARE(page.findChild<QSlider*>(QStringLiteral("l_azimuth_slider"))->value(), 45);
}

void PagesTest::clippingFileDialoguesSendNothingOnCancelAndAddTheSuffix()
{
    QtCLippingWidget page;
    QSignalSpy load(&page, &QtCLippingWidget::cutplane_load_signal);
    QSignalSpy save(&page, &QtCLippingWidget::cutplane_save_signal);
    QString answer;
    page.dialogs.openFileName = page.dialogs.saveFileName
        = [&](auto, auto, auto, auto) { return answer; };

    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QTest::mouseClick(page.saveButton(), Qt::LeftButton);
    QCOMPARE(load.count() + save.count(), 0);
    answer = QStringLiteral("cuts/front.slc");
    QTest::mouseClick(page.loadButton(), Qt::LeftButton);
    QCOMPARE(load.takeFirst().at(0).toString(), answer);
    for (const auto& [chosen, sent] : { std::pair { "cuts/front", "cuts/front.slc" },
             { "cuts/front.txt", "cuts/front.txt" }, { "a.b", "a.b.slc" } }) {
        answer = QString::fromLatin1(chosen);
        QTest::mouseClick(page.saveButton(), Qt::LeftButton);
        QCOMPARE(save.takeFirst().at(0).toString(), QString::fromLatin1(sent));
    }
}

// With the selection shown back or not, each select signal toggles a plane. Of
// two selected, a click on one deselects it; on another, it alone is selected.
void PagesTest::aClickSelectsOnePlaneAloneOrDeselectsIt()
{
    for (const bool echo : { false, true }) {
        QtCLippingWidget page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        Planes cube {};
        std::vector<int> sent;
        connect(&page, &QtCLippingWidget::cutplane_select_signal, &page, [&](int plane) {
            sent.push_back(plane);
            cube[std::size_t(plane)] = !cube[std::size_t(plane)];
            if (echo)
                page.showPlanes(6, cube, false);
        });
        for (const auto& [plane, expected, after] :
            { std::tuple { 0, std::vector<int> { 0 }, Planes { 0, 0, 0, 1 } },
                { 5, { 0, 3, 5 }, Planes { 0, 0, 0, 0, 0, 1 } } }) {
            cube = { 1, 0, 0, 1 };
            page.showPlanes(6, cube, false);
            sent.clear();
            QTest::mouseClick(page.planeButton(plane), Qt::LeftButton);
            QCOMPARE(sent, expected);
            QCOMPARE(cube, after);
            for (int k = 0; k < 6; ++k)
                QCOMPARE(page.planeButton(k)->isChecked(), after[std::size_t(k)]);
        }
    }
}

QTEST_MAIN(PagesTest)
#include "PagesTest.moc"
