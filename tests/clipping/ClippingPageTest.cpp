#include "clipping/ui/QtCLippingWidget.h"

#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Planes = std::array<bool, 6>;
Q_DECLARE_METATYPE(Planes)

// The Clipping Planes page on its own: what its buttons send and show.
class ClippingPageTest : public QObject
{
    Q_OBJECT

private slots:
    void fileDialoguesSendNothingOnCancelAndAddTheSuffix();
    void showPlanesSetsTheButtonsAndSendsNothing_data();
    void showPlanesSetsTheButtonsAndSendsNothing();
    void planeClicksSelectOneAndDeselectASelectedOne();
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

void ClippingPageTest::showPlanesSetsTheButtonsAndSendsNothing_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<Planes>("selected");
    QTest::addColumn<bool>("showAll");
    QTest::newRow("six, none selected") << 6 << Planes {} << false;
    QTest::newRow("third selected, all shown") << 6 << Planes { 0, 0, 1 } << true;
    QTest::newRow("a file of four planes") << 4 << Planes { 1, 0, 0, 1 } << false;
    QTest::newRow("no planes") << 0 << Planes {} << true;
}

// Each row starts from other planes, so every button has to change.
void ClippingPageTest::showPlanesSetsTheButtonsAndSendsNothing()
{
    QFETCH(int, count);
    QFETCH(Planes, selected);
    QFETCH(bool, showAll);
    QtCLippingWidget page;
    page.show();
    page.showPlanes(count < 6 ? 6 : 2, { 1, 1, 1, 1, 1, 1 }, !showAll);
    QSignalSpy select(&page, &QtCLippingWidget::cutplane_select_signal);
    QSignalSpy shown(&page, &QtCLippingWidget::cutplane_showall_signal);
    page.showPlanes(count, selected, showAll);

    QCOMPARE(select.count() + shown.count(), 0);
    QCOMPARE(page.showAllButton()->isChecked(), showAll);
    for (int k = 0; k < 6; ++k) {
        QPushButton* button = page.planeButton(k);
        const auto* box = qobject_cast<QGroupBox*>(button->parentWidget());
        QCOMPARE(box->title(), QStringLiteral("PLANE_%1").arg(k + 1));
        QCOMPARE(button->isChecked(), selected[std::size_t(k)]);
        QCOMPARE(button->isEnabled(), k < count);
        QCOMPARE(button->isVisible(), k < count);
        QCOMPARE(box->isVisible(), k < count);
    }
}

// The page as the window will run it, and as it runs now: a select signal
// toggles the plane in the cube, which is then shown on the page (echo) or not.
void ClippingPageTest::planeClicksSelectOneAndDeselectASelectedOne()
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
        const auto click = [&](int plane) {
            sent.clear();
            QTest::mouseClick(page.planeButton(plane), Qt::LeftButton);
            for (int k = 0; k < 6; ++k)
                if (page.planeButton(k)->isChecked() != cube[std::size_t(k)])
                    return false;
            return true;
        };
        cube = { 0, 0, 1 };
        page.showPlanes(6, cube, false);
        QVERIFY(click(2));
        QCOMPARE(sent, std::vector<int> { 2 });
        QCOMPARE(cube, Planes {});
        QVERIFY(click(4) && click(1));
        QCOMPARE(sent, std::vector<int>({ 4, 1 }));
        // Two planes selected by a file: a click on another selects it alone,
        // a click on a selected one only deselects that one.
        cube = { 1, 0, 0, 1 };
        page.showPlanes(6, cube, false);
        QVERIFY(click(0));
        QCOMPARE(sent, std::vector<int> { 0 });
        cube = { 1, 0, 0, 1 };
        page.showPlanes(6, cube, false);
        QVERIFY(click(5));
        QCOMPARE(sent, std::vector<int>({ 0, 3, 5 }));
        QCOMPARE(cube, (Planes { 0, 0, 0, 0, 0, 1 }));
    }
}

QTEST_MAIN(ClippingPageTest)
#include "ClippingPageTest.moc"
