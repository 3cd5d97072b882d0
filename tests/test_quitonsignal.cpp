#include "quitonsignal.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestQuitOnSignal : public QObject
{
    Q_OBJECT

private slots:
    void endsTheEventLoop_data();
    void endsTheEventLoop();
};

void TestQuitOnSignal::endsTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

// Without the handler the signal would end the test program itself.
void TestQuitOnSignal::endsTheEventLoop()
{
    QFETCH(int, signal);
    const QuitOnSignal quitOnSignal;
    bool ranAfterQuit = false;
    QTimer::singleShot(0, [signal] { std::raise(signal); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QTimer::singleShot(0, [&] { ranAfterQuit = true; QCoreApplication::quit(); });
    QCoreApplication::exec(); // the event loop runs on afterwards
    QVERIFY(ranAfterQuit);
}

QTEST_GUILESS_MAIN(TestQuitOnSignal)
#include "test_quitonsignal.moc"
