// Tools run on a worker thread behind the progress dialogue.
#include "app/ui/ThreadedToolRunner.h"
#include "app/ui/ToolProgressDialog.h"
#include "mesh/engine/Progress.h"
#include "pagekit/UserDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <new>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;

// Engine-like work: sums values, reporting and pausing between blocks.
long long slowSum(const std::vector<int>& values, Progress& progress, int pauseMs)
{
    long long sum = 0;
    const std::size_t block = 100;
    for (std::size_t i = 0; i < values.size(); ++i) {
        sum += values[i];
        if (i % block == 0) {
            progress.report("Summing", double(i) / double(values.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    }
    return sum;
}

// Halves a copy of values until told to stop, as a tool works on its own copy.
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

// Counts the times a widget was shown, and when it was first shown.
class ShowCounter : public QObject
{
public:
    explicit ShowCounter(QWidget* widget)
    {
        widget->installEventFilter(this);
        clock.start();
    }
    int shows = 0;
    qint64 firstShowMs = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && shows++ == 0)
            firstShowMs = clock.elapsed();
        return false;
    }

private:
    QElapsedTimer clock;
};

} // namespace

class ThreadedToolRunnerTest : public QObject
{
    Q_OBJECT
private slots:
    void resultMatchesTheDirectCallWhileTheWindowGoesOn();
    void aShortRunShowsNoDialogue();
    void cancellingCallsNoFinishAndLeavesTheCallersDataAlone_data();
    void cancellingCallsNoFinishAndLeavesTheCallersDataAlone();
    void aHugeEstimateAsksFirst();
    void anExceptionIsAFailureWithoutFinish();
    void destroyingTheRunnerStopsTheWorkWithoutFinish();
    void elapsedTimeReadsLikeAClock();
};

void ThreadedToolRunnerTest::resultMatchesTheDirectCallWhileTheWindowGoesOn()
{
    QWidget window;
    auto* view = new QWidget(&window);
    view->setFocusPolicy(Qt::StrongFocus);
    window.resize(400, 300);
    window.show();
    window.activateWindow();
    view->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    ThreadedToolRunner runner(&window);
    runner.showDelayMs = 300;
    QStringList status;
    runner.setStatusSink([&](const QString& line) { status << line; });
    QSignalSpy started(&runner, &ThreadedToolRunner::runStarted);
    QSignalSpy ended(&runner, &ThreadedToolRunner::runEnded);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    std::vector<int> values(20000);
    std::iota(values.begin(), values.end(), -5000);
    Progress direct;
    const long long expected = slowSum(values, direct, 0);

    long long computed = 0, applied = 0;
    int finishes = 0;
    ShowCounter counter(runner.progressDialog());
    QVERIFY(runner.start({ QStringLiteral("Sum"),
        [&](Progress& progress) {
            computed = slowSum(values, progress, 4);
            return true;
        },
        [&](bool ok) {
            QVERIFY(ok);
            QVERIFY(!runner.busy());
            applied = computed;
            ++finishes;
        } }));
    QVERIFY(runner.busy());
    QCOMPARE(started.count(), 1);

    bool secondRan = false;
    QVERIFY(!runner.start({ QStringLiteral("Smooth"), [&](Progress&) { return secondRan = true; },
        [&](bool) { secondRan = true; } }));
    QCOMPARE(status, QStringList { QStringLiteral("Sum is still running") });
    QCOMPARE(started.count(), 1);

    ToolProgressDialog* dialogue = runner.progressDialog();
    QCOMPARE(dialogue->parentWidget(), &window);
    QTRY_VERIFY(dialogue->isVisible());
    QVERIFY(counter.firstShowMs >= 300);
    QVERIFY(runner.busy());
    QCOMPARE(dialogue->windowTitle(), QStringLiteral("Sum"));
    QTRY_COMPARE(
        dialogue->findChild<QLabel*>(QStringLiteral("stage"))->text(), QStringLiteral("Summing"));
    // The view keeps the keyboard while the dialogue is up.
    QCOMPARE(QApplication::focusWidget(), view);

    const int ticksBefore = ticks;
    runner.waitForEnd();
    QVERIFY(ticks > ticksBefore + 5);
    QCOMPARE(finishes, 1);
    QCOMPARE(applied, expected);
    QVERIFY(!secondRan);
    QVERIFY(!runner.busy());
    QVERIFY(!dialogue->isVisible());
    QCOMPARE(ended.count(), 1);
    QCOMPARE(ended.at(0), QVariantList({ QStringLiteral("Sum"), int(RunOutcome::Done) }));
    QCOMPARE(status.size(), 1);
}

void ThreadedToolRunnerTest::aShortRunShowsNoDialogue()
{
    ThreadedToolRunner runner(nullptr);
    ShowCounter counter(runner.progressDialog());
    bool result = false;
    QVERIFY(runner.start({ QStringLiteral("Quick"),
        [](Progress& progress) {
            progress.report("Quick", 1.0);
            return false;
        },
        [&](bool ok) { result = !ok; } }));
    runner.waitForEnd();
    QVERIFY(result);
    // The delay has passed by now: a timer left running would show it late.
    QTest::qWait(runner.showDelayMs + 100);
    QCOMPARE(counter.shows, 0);
}

void ThreadedToolRunnerTest::cancellingCallsNoFinishAndLeavesTheCallersDataAlone_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << QStringLiteral("button");
    QTest::newRow("escape") << QStringLiteral("escape");
    QTest::newRow("close") << QStringLiteral("close");
    QTest::newRow("runner") << QStringLiteral("runner");
}

void ThreadedToolRunnerTest::cancellingCallsNoFinishAndLeavesTheCallersDataAlone()
{
    QFETCH(QString, how);
    QWidget window;
    window.show();
    ThreadedToolRunner runner(&window);
    runner.showDelayMs = 0;
    QStringList status;
    runner.setStatusSink([&](const QString& line) { status << line; });
    QSignalSpy ended(&runner, &ThreadedToolRunner::runEnded);

    const std::vector<double> data { 1.0, 2.0, 3.0 };
    const std::vector<double> before = data;
    bool finished = false;
    QVERIFY(runner.start({ QStringLiteral("Halve"),
        [&](Progress& progress) { return halveUntilStopped(data, progress); },
        [&](bool) { finished = true; } }));
    ToolProgressDialog* dialogue = runner.progressDialog();
    QTRY_VERIFY(dialogue->isVisible());
    auto* cancel = dialogue->findChild<QPushButton*>(QStringLiteral("cancel"));
    if (how == QLatin1String("button"))
        QTest::mouseClick(cancel, Qt::LeftButton);
    else if (how == QLatin1String("escape"))
        QTest::keyClick(dialogue, Qt::Key_Escape);
    else if (how == QLatin1String("close"))
        dialogue->close();
    else
        runner.cancel();

    QVERIFY(!cancel->isEnabled());
    QCOMPARE(dialogue->findChild<QLabel*>(QStringLiteral("stage"))->text(),
        QStringLiteral("Cancelling..."));
    QVERIFY(dialogue->isVisible());
    runner.waitForEnd();
    QVERIFY(!finished);
    QCOMPARE(data, before);
    QCOMPARE(status, QStringList { QStringLiteral("Halve cancelled") });
    QCOMPARE(ended.at(0), QVariantList({ QStringLiteral("Halve"), int(RunOutcome::Cancelled) }));
    QVERIFY(!dialogue->isVisible());

    // The next run starts afresh, its Cancel button on again.
    QVERIFY(runner.start({ QStringLiteral("Again"), [](Progress&) { return true; }, {} }));
    QVERIFY(cancel->isEnabled());
    runner.waitForEnd();
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
    ThreadedToolRunner runner(nullptr, &dialogs);
    runner.availableMemory = [] { return 10 * GiB; };
    QStringList status;
    runner.setStatusSink([&](const QString& line) { status << line; });
    QSignalSpy started(&runner, &ThreadedToolRunner::runStarted);
    int works = 0, finishes = 0;
    auto run = [&](std::uint64_t bytes) {
        return ToolRun { QStringLiteral("Subdivide"),
            [&](Progress&) {
                ++works;
                return true;
            },
            [&](bool) { ++finishes; }, bytes };
    };

    QVERIFY(!runner.start(run(6 * GiB + GiB / 10)));
    QCOMPARE(questions,
        QStringList { QStringLiteral("Large result|Subdivide needs about 6.1 GB of the "
                                     "10.0 GB of memory available. Run it?") });
    QCOMPARE(status, QStringList { QStringLiteral("Subdivide not run") });
    QVERIFY(!runner.busy());
    QCOMPARE(started.count(), 0);
    QTest::qWait(20);
    QCOMPARE(works, 0);

    answer = true;
    QVERIFY(runner.start(run(6 * GiB)));
    runner.waitForEnd();
    QCOMPARE(questions.size(), 2);
    QCOMPARE(finishes, 1);

    // Half of what is available, and an amount nobody could read, are not asked about.
    QVERIFY(runner.start(run(5 * GiB)));
    runner.waitForEnd();
    runner.availableMemory = [] { return std::uint64_t(0); };
    QVERIFY(runner.start(run(500 * GiB)));
    runner.waitForEnd();
    QCOMPARE(questions.size(), 2);
    QCOMPARE(finishes, 3);
}

void ThreadedToolRunnerTest::anExceptionIsAFailureWithoutFinish()
{
    ThreadedToolRunner runner(nullptr);
    QStringList status;
    runner.setStatusSink([&](const QString& line) { status << line; });
    QSignalSpy ended(&runner, &ThreadedToolRunner::runEnded);
    int finishes = 0;
    QVERIFY(runner.start({ QStringLiteral("Segment"),
        [](Progress&) -> bool { throw std::runtime_error("no faces"); },
        [&](bool) { ++finishes; } }));
    runner.waitForEnd();
    QVERIFY(runner.start({ QStringLiteral("Refine"),
        [](Progress&) -> bool { throw std::bad_alloc(); }, [&](bool) { ++finishes; } }));
    runner.waitForEnd();
    QCOMPARE(finishes, 0);
    QCOMPARE(status,
        QStringList({ QStringLiteral("Segment failed: see the console"),
            QStringLiteral("Refine failed: see the console") }));
    QCOMPARE(ended.at(1), QVariantList({ QStringLiteral("Refine"), int(RunOutcome::Failed) }));
    QVERIFY(!runner.busy());
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
        QVERIFY(runner.start({ QStringLiteral("Forever"),
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
    QVERIFY(!finished);
    QVERIFY(dialogue.isNull());
}

void ThreadedToolRunnerTest::elapsedTimeReadsLikeAClock()
{
    QCOMPARE(ToolProgressDialog::elapsedText(3999), QStringLiteral("0:03"));
    QCOMPARE(ToolProgressDialog::elapsedText(75000), QStringLiteral("1:15"));
    QCOMPARE(ToolProgressDialog::elapsedText(3725000), QStringLiteral("1:02:05"));
}

QTEST_MAIN(ThreadedToolRunnerTest)
#include "ThreadedToolRunnerTest.moc"
