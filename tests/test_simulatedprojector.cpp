// The simulated projector: its answers as the panel decodes them, its phases and lamp hours
// on a given clock, and its misbehaviour on a real pseudo-terminal.

#include "monitorrendering.h"
#include "panelstate.h"
#include "projectormodel.h"
#include "qtserialport.h"
#include "replydecoding.h"
#include "simulatedprojector.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A command sent to the model at a moment.
struct Sent {
    std::string command;
    std::chrono::milliseconds at;
};

// The time column holds milliseconds, whatever unit a row writes.
std::chrono::milliseconds ms(std::chrono::milliseconds time)
{
    return time;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<Sent>)

class TestSimulatedProjector : public QObject
{
    Q_OBJECT

private slots:
    void statusAsThePanelShowsIt_data();
    void statusAsThePanelShowsIt();
    void otherLinesAnswered_data();
    void otherLinesAnswered();
    void replyOnTheLine_data();
    void replyOnTheLine();
    void silentProjectorAnswersNothing();
};

void TestSimulatedProjector::statusAsThePanelShowsIt_data()
{
    QTest::addColumn<std::vector<Sent>>("sent");
    QTest::addColumn<std::string>("query");
    QTest::addColumn<std::chrono::milliseconds>("askedAt");
    QTest::addColumn<std::string>("status");

    const std::vector<Sent> none;
    const std::vector<Sent> on{{"C00", 0ms}};
    const std::vector<Sent> onThenOff{{"C00", 0ms}, {"C01", 6s}};

    QTest::newRow("standby") << none << std::string("CR0") << ms(0ms) << std::string(" Stand by");
    QTest::newRow("count down") << on << std::string("CR0") << ms(4999ms)
                                << std::string(" Count down");
    QTest::newRow("on after count down")
        << on << std::string("CR0") << ms(5s) << std::string(" Power ON");
    QTest::newRow("cooling") << onThenOff << std::string("CR0") << ms(15999ms)
                             << std::string(" Cooling down");
    QTest::newRow("standby after cooling")
        << onThenOff << std::string("CR0") << ms(16s) << std::string(" Stand by");
    QTest::newRow("off during count down cools")
        << std::vector<Sent>{{"C00", 0ms}, {"C01", 1s}} << std::string("CR0") << ms(2s)
        << std::string(" Cooling down");
    QTest::newRow("on while cooling is ignored")
        << std::vector<Sent>{{"C00", 0ms}, {"C01", 6s}, {"C00", 7s}} << std::string("CR0")
        << ms(16s) << std::string(" Stand by");

    QTest::newRow("input at start")
        << none << std::string("CR1") << ms(0ms) << std::string(" Computer 1");
    QTest::newRow("input PC2") << std::vector<Sent>{{"C06", 0ms}} << std::string("CR1") << ms(0ms)
                               << std::string(" Computer 2");
    QTest::newRow("input source S-Video") << std::vector<Sent>{{"C34", 0ms}} << std::string("CR1")
                                          << ms(0ms) << std::string(" Video");

    QTest::newRow("lamp hours at start")
        << none << std::string("CR3") << ms(0ms) << std::string(" 1 2 5 0 CR  Hour Use");
    QTest::newRow("lamp hours grow while lit")
        << on << std::string("CR3") << ms(7200000ms) << std::string(" 1 2 5 2 CR  Hour Use");
    QTest::newRow("lamp hours stop in standby")
        << std::vector<Sent>{{"C00", 0ms}, {"C01", 3600000ms}} << std::string("CR3")
        << ms(36000000ms) << std::string(" 1 2 5 1 CR  Hour Use");

    QTest::newRow("setting") << none << std::string("CR4") << ms(0ms) << std::string(" Normally");
    QTest::newRow("temperatures while on")
        << on << std::string("CR6") << ms(10s)
        << std::string("  S1=   3 2 . 5 C  ,   S2=  4 8 . 0 C , S3=   4 1 . 5 C");
    QTest::newRow("lamps on") << on << std::string("CR7") << ms(10s)
                              << std::string(" No1,2 ON  : 2 Lamp mode");
    QTest::newRow("lamps off") << none << std::string("CR7") << ms(0ms)
                               << std::string(" All OFF : 2 Lamp mode");
    QTest::newRow("model") << none << std::string("CR9") << ms(0ms)
                           << std::string(" P D 7 1 - S I M CR ");

    QTest::newRow("mutes in standby")
        << none << std::string("CRA") << ms(0ms) << std::string(" Stand by");
    QTest::newRow("no mute") << on << std::string("CRA") << ms(10s)
                             << std::string(" Video & Audio mute OFF");
    QTest::newRow("picture muted")
        << std::vector<Sent>{{"C00", 0ms}, {"C0D", 6s}} << std::string("CRA") << ms(10s)
        << std::string(" Video mute ON");
    QTest::newRow("both muted") << std::vector<Sent>{{"C00", 0ms}, {"C0B", 6s}, {"C0D", 6s}}
                                << std::string("CRA") << ms(10s)
                                << std::string(" Video & Audio mute ON");
    QTest::newRow("sound unmuted")
        << std::vector<Sent>{{"C00", 0ms}, {"C0B", 6s}, {"C0C", 7s}} << std::string("CRA")
        << ms(10s) << std::string(" Video & Audio mute OFF");
    QTest::newRow("mutes end with standby")
        << std::vector<Sent>{{"C00", 0ms}, {"C0B", 6s}, {"C01", 7s}, {"C00", 20s}}
        << std::string("CRA") << ms(30s) << std::string(" Video & Audio mute OFF");

    QTest::newRow("pressure") << none << std::string("CR PRESSURE") << ms(0ms)
                              << std::string("1013 hPa");
}

void TestSimulatedProjector::statusAsThePanelShowsIt()
{
    QFETCH(std::vector<Sent>, sent);
    QFETCH(std::string, query);
    QFETCH(std::chrono::milliseconds, askedAt);
    ProjectorModel projector;
    for (const Sent &command : sent)
        QCOMPARE(projector.answer(command.command, command.at), std::string("\x06"));

    const std::string reply = projector.answer(query, askedAt);

    PanelState state;
    state.lastCommand = frameCommand(state, query);
    QTEST(decodeReply(state, renderForMonitor(reply)).status.value_or("(nothing)"), "status");
}

void TestSimulatedProjector::otherLinesAnswered_data()
{
    QTest::addColumn<std::string>("line");
    QTest::addColumn<std::string>("reply");

    const std::string ack(1, ProjectorModel::kAck);
    const std::string nak(1, ProjectorModel::kNak);
    QTest::newRow("command without effect") << std::string("C12") << ack;
    QTest::newRow("display clear") << std::string("C1E") << ack;
    QTest::newRow("query in lower case") << std::string("cr0") << nak;
    QTest::newRow("query with a blank") << std::string("CR0 ") << nak;
    QTest::newRow("not hexadecimal") << std::string("C0G") << nak;
    QTest::newRow("hexadecimal in lower case") << std::string("C0b") << nak;
    QTest::newRow("empty line") << std::string() << nak;
}

void TestSimulatedProjector::otherLinesAnswered()
{
    QFETCH(std::string, line);
    ProjectorModel projector;

    QTEST(projector.answer(line, 0ms), "reply");
}

void TestSimulatedProjector::replyOnTheLine_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("onTheLine");

    QTest::newRow("well behaved") << QByteArray("none") << QByteArray("80\r");
    QTest::newRow("garbage first")
        << QByteArray("garbage") << SimulatedProjector::kGarbage + QByteArray("80\r");
    QTest::newRow("in pieces") << QByteArray("pieces") << QByteArray("80\r");
    QTest::newRow("late") << QByteArray("delay") << QByteArray("80\r");
}

void TestSimulatedProjector::replyOnTheLine()
{
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, onTheLine);
    SimulatedProjector projector;
    QVERIFY(projector.open());
    projector.setGarbage(mode == "garbage");
    projector.setReplyInPieces(mode == "pieces");
    projector.setReplyDelay(mode == "delay" ? 50ms : 0ms);
    DeviceMap devices;
    devices.setDevice(1, projector.devicePath());
    QtSerialPort port(devices);
    QByteArray received;
    port.setOnComm([&] { received += QByteArray::fromStdString(port.input()); });
    port.open();

    port.output("CR0\r");

    QTRY_COMPARE(received, onTheLine);
}

void TestSimulatedProjector::silentProjectorAnswersNothing()
{
    SimulatedProjector projector;
    QVERIFY(projector.open());
    QSignalSpy answered(&projector, &SimulatedProjector::answered);
    DeviceMap devices;
    devices.setDevice(1, projector.devicePath());
    QtSerialPort port(devices);
    std::string received;
    port.setOnComm([&] { received += port.input(); });
    port.open();

    projector.setSilent(true);
    port.output("CR0\r");
    QTRY_COMPARE(answered.size(), 1);
    projector.setSilent(false);
    port.output("CR1\r");

    // Answers come in the order of the questions: the first one would have come first.
    QTRY_COMPARE(received, std::string("1\r"));
}

QTEST_GUILESS_MAIN(TestSimulatedProjector)
#include "test_simulatedprojector.moc"
