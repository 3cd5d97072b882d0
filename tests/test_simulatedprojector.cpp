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

using namespace std::chrono_literals;
using Script = std::vector<std::pair<std::string, std::chrono::milliseconds>>; // line, when

class TestSimulatedProjector : public QObject
{
    Q_OBJECT

private slots:
    void answersAsThePanelShowsThem_data();
    void answersAsThePanelShowsThem();
    void misbehaviourOnTheLine_data();
    void misbehaviourOnTheLine();
};

// Each script ends with the query; the panel decodes its answer. Commands answer ACK.
void TestSimulatedProjector::answersAsThePanelShowsThem_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<std::string>("status");

    QTest::newRow("standby") << Script{{"CR0", 0ms}} << std::string(" Stand by");
    QTest::newRow("count down") << Script{{"C00", 0ms}, {"CR0", 4999ms}}
                                << std::string(" Count down");
    QTest::newRow("on") << Script{{"C00", 0ms}, {"CR0", 5s}} << std::string(" Power ON");
    QTest::newRow("cooling") << Script{{"C00", 0ms}, {"C01", 6s}, {"CR0", 15999ms}}
                             << std::string(" Cooling down");
    QTest::newRow("standby after cooling")
        << Script{{"C00", 0ms}, {"C01", 6s}, {"CR0", 16s}} << std::string(" Stand by");
    QTest::newRow("input source S-Video")
        << Script{{"C34", 0ms}, {"CR1", 0ms}} << std::string(" Video");
    QTest::newRow("lamp hours count while lit")
        << Script{{"C00", 0ms}, {"C01", 2h}, {"CR3", 10h}} << std::string(" 1 2 5 2 CR  Hour Use");
    QTest::newRow("temperatures") << Script{{"C00", 0ms}, {"CR6", 10s}}
                                  << std::string(
                                         "  S1=   3 2 . 5 C  ,   S2=  4 8 . 0 C , S3=   4 1 . 5 C");
    QTest::newRow("lamps") << Script{{"C00", 0ms}, {"CR7", 10s}}
                           << std::string(" No1,2 ON  : 2 Lamp mode");
    QTest::newRow("both muted") << Script{{"C00", 0ms}, {"C0B", 6s}, {"C0D", 6s}, {"CRA", 7s}}
                                << std::string(" Video & Audio mute ON");
    QTest::newRow("mutes end in standby")
        << Script{{"C00", 0ms}, {"C0B", 6s}, {"C01", 7s}, {"C00", 20s}, {"CRA", 30s}}
        << std::string(" Video & Audio mute OFF");
    QTest::newRow("pressure") << Script{{"CR PRESSURE", 0ms}} << std::string("1013 hPa");
}

void TestSimulatedProjector::answersAsThePanelShowsThem()
{
    QFETCH(Script, script);
    ProjectorModel projector;
    for (std::size_t step = 0; step + 1 < script.size(); ++step)
        QCOMPARE(projector.answer(script[step].first, script[step].second), std::string("\x06"));
    const auto &[query, at] = script.back();

    PanelState state;
    state.lastCommand = frameCommand(state, query);
    const std::string rendered = renderForMonitor(projector.answer(query, at));
    QTEST(decodeReply(state, rendered).status.value_or("(nothing)"), "status");

    for (const std::string_view other : {"cr0", "CR0 ", "C0G", ""})
        QCOMPARE(projector.answer(other, at), std::string("\x15"));
}

void TestSimulatedProjector::misbehaviourOnTheLine_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("onTheLine"); // the answers to "CR0" and "CR1", then ACK

    const QByteArray garbage = SimulatedProjector::kGarbage;
    QTest::newRow("well behaved") << QByteArray() << QByteArray("80\r1\r\x06");
    QTest::newRow("silent") << QByteArray("silent") << QByteArray("\x06");
    QTest::newRow("garbage first")
        << QByteArray("garbage") << garbage + "80\r" + garbage + "1\r" + garbage + "\x06";
    QTest::newRow("in pieces") << QByteArray("pieces") << QByteArray("80\r1\r\x06");
    QTest::newRow("late") << QByteArray("late") << QByteArray("80\r1\r\x06");
}

void TestSimulatedProjector::misbehaviourOnTheLine()
{
    QFETCH(QByteArray, mode);
    SimulatedProjector projector;
    QVERIFY(projector.open());
    projector.setSilent(mode == "silent");
    projector.setGarbage(mode == "garbage");
    projector.setReplyInPieces(mode == "pieces");
    projector.setReplyDelay(mode == "late" ? 50ms : 0ms);
    DeviceMap devices;
    devices.setDevice(1, projector.devicePath());
    QtSerialPort port(devices);
    QByteArray received;
    port.setOnComm([&] { received += QByteArray::fromStdString(port.input()); });
    port.open();

    QSignalSpy answered(&projector, &SimulatedProjector::answered);
    port.output("CR0\rCR1\r");
    QTRY_COMPARE(answered.size(), 2);
    projector.setSilent(false);
    port.output("C12\r"); // answered last in every mode: its ACK ends the exchange
    QTRY_VERIFY(received.endsWith('\x06'));
    QTEST(received, "onTheLine");
}

QTEST_GUILESS_MAIN(TestSimulatedProjector)
#include "test_simulatedprojector.moc"
