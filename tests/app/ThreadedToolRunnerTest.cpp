// Tools run on a worker thread behind the progress dialogue.
#include "app/ui/ThreadedToolRunner.h"
#include "app/ui/ToolProgressDialog.h"
#include "mesh/engine/Progress.h"
#include "pagekit/UserDialogs.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

// Engine-like work: a report and a pause every hundred values.
long long slowSum(const std::vector<int>& values, Progress& progress)
{
    long long sum = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        sum += values[i];
        if (i % 100 == 0) {
            progress.report("Summing", double(i) / double(values.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    }
    return sum;
}

// Halves a copy of values, as a tool works on its own copy, until told to stop.
bool halveUntilStopped(const std::vector<double>& values, Progress& progress)
{
    std::vector<double> copy = values;
    for (int pass = 0; pass < 30000; ++pass) {
        for (double& v : copy)
            v *= 0.5;
        progress.report("Halving", 0.5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Counts a widget's shows and when the first came, from this being made.
struct ShowWatch : QObject
{
    explicit ShowWatch(QWidget* widget) { widget->installEventFilter(this), clock.start(); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shows++ == 0)
            firstShowMs = clock.elapsed();
        return false;
    }
    int shows = 0;
    qint64 firstShowMs = -1;
    QElapsedTimer clock;
};

// A runner whose status lines are kept.
struct Recorded
{
    explicit Recorded(QWidget* window, UserDialogs* dialogs = nullptr)
        : runner(window, dialogs)
    {
        runner.setStatusSink([this](const QString& line) { status << line; });
    }
    ThreadedToolRunner runner;
    QStringList status;
    QSignalSpy ended { &runner, &ThreadedToolRunner::runEnded };
};

QString stageText(ToolProgressDialog* dialogue)
{
    return dialogue->findChild<QLabel*>(QStringLiteral("stage"))->text();
}

} // namespace

class ThreadedToolRunnerTest : public QObject
{
    Q_OBJECT
private slots:
    void resultMatchesTheDirectCallWhileTheWindowGoesOn();
    void cancelOrExceptionCallsNoFinishAndLeavesTheCallersDataAlone_data();
    void cancelOrExceptionCallsNoFinishAndLeavesTheCallersDataAlone();
    void aHugeEstimateAsksFirst();
    void destroyingTheRunnerStopsTheWorkWithoutFinish();
};

void ThreadedToolRunnerTest::resultMatchesTheDirectCallWhileTheWindowGoesOn()
{
    QWidget window;
    window.show();
    Recorded r(&window);
    r.runner.showDelayMs = 300;
    ToolProgressDialog* dialogue = r.runner.progressDialog();
    ShowWatch watch(dialogue);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    std::vector<int> values(20000);
    std::iota(values.begin(), values.end(), -5000);
    long long computed = 0, applied = 0;
    QVERIFY(r.runner.start(
        { "Sum", [&](Progress& progress) { return (computed = slowSum(values, progress)), true; },
            [&](bool ok) { applied = ok && !r.runner.busy() ? computed : -1; } }));

    bool secondRan = false;
    QVERIFY(!r.runner.start({ "Smooth", [&](Progress&) { return secondRan = true; }, {} }));
    QCOMPARE(r.status, QStringList { QStringLiteral("Sum is still running") });

    QTRY_VERIFY(dialogue->isVisible());
    QVERIFY(watch.firstShowMs >= 300 && r.runner.busy());
    QTRY_COMPARE(stageText(dialogue), QStringLiteral("Summing"));

    const int ticksBefore = ticks;
    r.runner.waitForEnd();
    QVERIFY(ticks > ticksBefore + 5);
    QCOMPARE(applied, std::accumulate(values.begin(), values.end(), 0LL));
    QVERIFY(!secondRan && !dialogue->isVisible());
    QCOMPARE(r.ended, QList<QVariantList>({ { QStringLiteral("Sum"), int(RunOutcome::Done) } }));

    // A quick run never shows the dialogue, not even once its delay has passed.
    QVERIFY(r.runner.start({ "Quick", [](Progress&) { return true; }, {} }));
    r.runner.waitForEnd();
    QTest::qWait(r.runner.showDelayMs + 100);
    QCOMPARE(watch.shows, 1);
    QCOMPARE(r.status.size(), 1);
}

void ThreadedToolRunnerTest::cancelOrExceptionCallsNoFinishAndLeavesTheCallersDataAlone_data()
{
    QTest::addColumn<QString>("how");
    for (const char* how : { "button", "escape", "close", "runner", "throw" })
        QTest::newRow(how) << QString::fromLatin1(how);
}

void ThreadedToolRunnerTest::cancelOrExceptionCallsNoFinishAndLeavesTheCallersDataAlone()
{
    QFETCH(QString, how);
    const bool throws = how == QLatin1String("throw");
    QWidget window;
    window.show();
    Recorded r(&window);
    r.runner.showDelayMs = 0;
    const std::vector<double> data { 1.0, 2.0, 3.0 };
    bool finished = false;
    QVERIFY(r.runner.start({ "Halve",
        [&](Progress& progress) {
            if (throws)
                throw std::runtime_error("no faces");
            return halveUntilStopped(data, progress);
        },
        [&](bool) { finished = true; } }));
    ToolProgressDialog* dialogue = r.runner.progressDialog();
    auto* cancel = dialogue->findChild<QPushButton*>(QStringLiteral("cancel"));
    if (!throws)
        QTRY_VERIFY(dialogue->isVisible());
    if (how == QLatin1String("button"))
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(dialogue, Qt::Key_Escape);
    else if (how == QLatin1String("close"))
        dialogue->close();
    else if (!throws)
        r.runner.cancel();

    // Until the work has stopped the dialogue stays, saying so.
    if (!throws) {
        QVERIFY(!cancel->isEnabled() && dialogue->isVisible());
        QCOMPARE(stageText(dialogue), QStringLiteral("Cancelling..."));
    }
    r.runner.waitForEnd();
    QVERIFY(!finished && data == std::vector<double>({ 1.0, 2.0, 3.0 }));
    QCOMPARE(r.status.join(QString()),
        throws ? QStringLiteral("Halve failed: no faces") : QStringLiteral("Halve cancelled"));
    QCOMPARE(r.ended.at(0),
        QVariantList(
            { QStringLiteral("Halve"), int(throws ? RunOutcome::Failed : RunOutcome::Cancelled) }));
    QVERIFY(!dialogue->isVisible());

    QVERIFY(r.runner.start({ "Again", [](Progress&) { return true; }, {} }));
    QVERIFY(cancel->isEnabled());
    r.runner.waitForEnd();
}

void ThreadedToolRunnerTest::aHugeEstimateAsksFirst()
{
    UserDialogs dialogs;
    QStringList questions;
    bool answer = false;
    dialogs.confirm = [&](QWidget*, const QString& title, const QString& question) {
        questions << title + QLatin1Char('|') + question;
        return answer;
    };
    Recorded r(nullptr, &dialogs);
    r.runner.availableMemory = [] { return 10 * GiB; };
    int works = 0, finishes = 0;
    auto run = [&](std::uint64_t bytes) {
        return ToolRun { "Subdivide", [&](Progress&) { return ++works > 0; },
            [&](bool) { ++finishes; }, bytes };
    };

    QVERIFY(!r.runner.start(run(6 * GiB + GiB / 10)));
    QCOMPARE(questions,
        QStringList { QStringLiteral("Large result|Subdivide needs about 6.1 GB of the "
                                     "10.0 GB of memory available. Run it?") });
    QCOMPARE(r.status, QStringList { QStringLiteral("Subdivide not run") });
    QTest::qWait(20);
    QVERIFY(!r.runner.busy() && works == 0);

    // Half of what is available is not asked about, nor more than all of it
    // (the engine refuses that itself); a yes runs it.
    for (const std::uint64_t bytes : { 5 * GiB, 11 * GiB, 6 * GiB }) {
        answer = bytes == 6 * GiB;
        QVERIFY(r.runner.start(run(bytes)));
        r.runner.waitForEnd();
    }
    QCOMPARE(questions.size(), 2);
    QCOMPARE(finishes, 3);
}

void ThreadedToolRunnerTest::destroyingTheRunnerStopsTheWorkWithoutFinish()
{
    QWidget window;
    std::atomic<bool> working { false }, returned { false };
    bool finished = false;
    QPointer<ToolProgressDialog> dialogue;
    {
        ThreadedToolRunner runner(&window);
        dialogue = runner.progressDialog();
        QVERIFY(runner.start({ "Forever",
            [&](Progress& progress) {
                working = true;
                try {
                    halveUntilStopped({ 1.0 }, progress);
                } catch (...) {
                    returned = true;
                    throw;
                }
                return true;
            },
            [&](bool) { finished = true; } }));
        QTRY_VERIFY(working);
    }
    QVERIFY(returned);
    // A queued end left behind would call finish here.
    QTest::qWait(50);
    QVERIFY(!finished && dialogue.isNull());
}

QTEST_MAIN(ThreadedToolRunnerTest)
#include "ThreadedToolRunnerTest.moc"
