#include "clipping/ui/QtCLippingWidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <tuple>

using Planes = std::array<bool, 6>;

// The Clipping Planes page on its own: what its buttons send.
class ClippingPageTest : public QObject
{
    Q_OBJECT

private slots:
    void fileDialoguesSendNothingOnCancelAndAddTheSuffix();
    void aClickSelectsOnePlaneAloneOrDeselectsIt();
};

void ClippingPageTest::fileDialoguesSendNothingOnCancelAndAddTheSuffix()
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
void ClippingPageTest::aClickSelectsOnePlaneAloneOrDeselectsIt()
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

QTEST_MAIN(ClippingPageTest)
#include "ClippingPageTest.moc"
