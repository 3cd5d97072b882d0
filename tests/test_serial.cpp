// The program's own serial port and timers under the panel, with a simulated projector on a
// pseudo-terminal as the device: what reaches the line, what comes back, the line speed the
// device sees and settings it refuses; and the command line that chooses the devices.

#include "panelstate.h"
#include "programrig.h"
#include "launchoptions.h"
#include "qttimer.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <numeric>


class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    void bytesCrossUnchanged();
    void repliesShowInTheLabels();
    void lineSpeedOnTheDevice();
    void unknownSettingsAreRefused();
    void qtTimersKeepTheTimerRule();
    void launchOptions_data();
    void launchOptions();
};

void TestSerial::bytesCrossUnchanged()
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

void TestSerial::repliesShowInTheLabels()
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

void TestSerial::lineSpeedOnTheDevice()
{
    ProgramRig rig;
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    rig.form->panel().click("Option10");
    QCOMPARE(rig.projector->lineSpeed(), 9600);
    rig.form->panel().click("Option9");
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    QVERIFY(rig.port->isOpen() && rig.boxes.texts.isEmpty());
}

void TestSerial::unknownSettingsAreRefused()
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
void TestSerial::qtTimersKeepTheTimerRule()
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

// orva-control's command line: the device of each port, the simulated projector, the port
// list and mistakes.
void TestSerial::launchOptions_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("outcome"); // COM1, COM2, what runs: the panel, the simulator or an exit
    QTest::newRow("nothing") << "" << "/dev/ttyS0 /dev/ttyS1 panel";
    QTest::newRow("USB adapter as COM1") << "--com1 /dev/ttyUSB0" << "/dev/ttyUSB0 /dev/ttyS1 panel";
    QTest::newRow("COM2 with =") << "--com2=/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyUSB0 panel";
    QTest::newRow("simulate") << "--simulate" << "/dev/ttyS0 /dev/ttyS1 simulator";
    QTest::newRow("list ports") << "--list-ports" << "/dev/ttyS0 /dev/ttyS1 exit 0";
    QTest::newRow("unknown option") << "--com3 x" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("device missing") << "--com1" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("stray argument") << "/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("simulate and COM1 disagree") << "--simulate --com1 /dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyS1 exit 2";
}

void TestSerial::launchOptions()
{
    QFETCH(QString, arguments);
    const LaunchOptions options = parseLaunchOptions(QStringList{"orva-control"} + arguments.split(' ', Qt::SkipEmptyParts));
    const std::optional<int> exit = runWithoutPanel(options);
    const QString runs = exit ? QStringLiteral("exit %1").arg(*exit) : options.simulate ? "simulator" : "panel";
    QTEST(options.devices.device(1) + ' ' + options.devices.device(2) + ' ' + runs, "outcome");
}

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
