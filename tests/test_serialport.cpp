// The program's own serial port and timers under the panel, with a simulated projector on a
// pseudo-terminal as the device: what reaches the line, what comes back, the line speed the
// device sees, settings it refuses, a device that is not there, and the projector's answers.

#include "panelstate.h"
#include "programrig.h"
#include "projectormodel.h"
#include "qttimer.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <numeric>

using namespace std::chrono_literals;
using Script = std::vector<std::pair<std::string, std::chrono::milliseconds>>; // line, when

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void bytesCrossUnchanged();
    void repliesShowInTheLabels();
    void lineSpeedOnTheDevice();
    void unknownSettingsAreRefused();
    void qtTimersKeepTheTimerRule();
    void projectorModel_data();
    void projectorModel();
};

void TestSerialPort::bytesCrossUnchanged()
{
    ProgramRig rig;
    rig.projector->setSilent(true);
    QSignalSpy pieces(rig.projector.get(), &SimulatedProjector::bytesReceived);
    QByteArray line;
    const auto lineHas = [&](qsizetype size) {
        for (; !pieces.isEmpty(); pieces.removeFirst())
            line += pieces.constFirst().constFirst().toByteArray();
        return line.size() >= size;
    };
    for (const char *button : {"Command17", "Command10", "Command44"})
        rig.click(button);
    QVERIFY(waitFor([&] { return lineHas(12); }));
    QCOMPARE(line, "C00\rC12\rCR0\r");

    QByteArray everyByte(256, '\0');
    std::iota(everyByte.begin(), everyByte.end(), '\0');
    line.clear();
    rig.port->output(everyByte.toStdString());
    QVERIFY(waitFor([&] { return lineHas(256); }));
    QCOMPARE(line, everyByte);
    rig.projector->send(everyByte);
    QVERIFY(waitFor([&] { return rig.state().receiveBuffer == everyByte.toStdString(); }));
}

void TestSerialPort::repliesShowInTheLabels()
{
    ProgramRig rig;
    rig.projector->setReplyInPieces(true);
    rig.click("Command44");
    QVERIFY(waitFor([&] { return rig.label("Label12") == " 8 "; }));
    QCOMPARE(rig.label("Label22"), "");
    QVERIFY(waitFor([&] { return rig.label("Label12") == " 8 0 CR "; }));
    QCOMPARE(rig.label("Label22"), " Stand by");
    rig.clock.advance(1000);
    QTest::keyClicks(rig.control("Text1"), "CR PRESSURE");
    rig.click("Command95");
    QVERIFY(waitFor([&] { return rig.label("Label22") == "1013 hPa"; }));
}

void TestSerialPort::lineSpeedOnTheDevice()
{
    ProgramRig rig;
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    rig.form->panel().click("Option10");
    QCOMPARE(rig.projector->lineSpeed(), 9600);
    rig.form->panel().click("Option9");
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    QVERIFY(rig.port->isOpen() && rig.boxes.texts.isEmpty());
}

void TestSerialPort::unknownSettingsAreRefused()
{
    ProgramRig rig;
    for (const std::string settings : {"4800,N,8,1", "19200,E,8,1", "19200,N,8,1 ", ""}) {
        try {
            rig.port->setSettings(settings);
            QFAIL(settings.c_str());
        } catch (const PortError &error) {
            QCOMPARE(error.number(), int(QSerialPort::UnsupportedOperationError));
            QVERIFY(std::string(error.what()).find('"' + settings + '"') != std::string::npos);
        }
    }
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.projector->lineSpeed(), 19200);
}

// Enabling a running QtTimer leaves its countdown alone; setting its interval restarts it.
// Told by which of two timers fires first, never by the clock.
void TestSerialPort::qtTimersKeepTheTimerRule()
{
    for (const bool setInterval : {false, true}) {
        QtTimer timer, trigger, reference;
        QString order;
        const auto fired = [&order](QtTimer &which, QChar name) {
            return [&order, &which, name] {
                order += name;
                which.setEnabled(false);
            };
        };
        timer.setOnExpiry(fired(timer, 'T'));
        reference.setOnExpiry(fired(reference, 'R'));
        trigger.setOnExpiry([&] {
            trigger.setEnabled(false);
            setInterval ? timer.setInterval(100) : timer.setEnabled(true); // due 100, or 160
            reference.setEnabled(true);                                    // due 120
        });
        timer.setInterval(100);
        trigger.setInterval(60);
        reference.setInterval(60);
        timer.setEnabled(true);
        trigger.setEnabled(true);
        QVERIFY(waitFor([&] { return order.size() == 2; }));
        QCOMPARE(order, setInterval ? "RT" : "TR");
    }
}

// The simulated projector's state as the panel decodes its answers; commands answer ACK.
void TestSerialPort::projectorModel_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<std::string>("answer");
    QTest::newRow("standby") << Script{{"CR0", 0ms}} << std::string("80\r");
    QTest::newRow("on") << Script{{"C00", 0ms}, {"CR0", 5s}} << std::string("00\r");
    QTest::newRow("standby after cooling") << Script{{"C00", 0ms}, {"C01", 6s}, {"CR0", 16s}} << std::string("80\r");
    QTest::newRow("S-Video") << Script{{"C34", 0ms}, {"CR1", 0ms}} << std::string("3\r");
    QTest::newRow("lamp hours") << Script{{"C00", 0ms}, {"C01", 2h}, {"CR3", 10h}} << std::string("1252\r");
    QTest::newRow("both muted") << Script{{"C00", 0ms}, {"C0B", 6s}, {"C0D", 6s}, {"CRA", 7s}} << std::string("03\r");
    QTest::newRow("not a command") << Script{{"cr0", 0ms}} << std::string("\x15");
}

void TestSerialPort::projectorModel()
{
    QFETCH(Script, script);
    ProjectorModel projector;
    for (std::size_t step = 0; step + 1 < script.size(); ++step)
        QCOMPARE(projector.answer(script[step].first, script[step].second), std::string("\x06"));
    QTEST(projector.answer(script.back().first, script.back().second), "answer");
}

QTEST_MAIN(TestSerialPort)
#include "test_serialport.moc"
