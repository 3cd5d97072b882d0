// The program's own serial port and timers under the panel, with a simulated projector on a
// pseudo-terminal as the device: what reaches the line, what comes back, the line speed the
// device sees and settings it refuses; and the command line that chooses the devices.

#include "launchoptions.h"
#include "panelstate.h"
#include "programrig.h"
#include "qttimer.h"

#include <QSignalSpy>

#include <numeric>

class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    void bytesCrossUnchanged();
    void repliesShowInTheLabels();
    void lineSpeedOnTheDevice();
    void qtTimersKeepTheTimerRule();
    void launchOptions_data();
    void launchOptions();
};

void TestSerial::bytesCrossUnchanged()
{
    ProgramRig rig;
    rig.projector->setSilent(true);
    QSignalSpy pieces(rig.projector.get(), &SimulatedProjector::bytesReceived);
    QByteArray everyByte(256, '\0');
    std::iota(everyByte.begin(), everyByte.end(), '\0');
    rig.click("Command10");
    rig.port->output(everyByte.toStdString());
    QByteArray line;
    QVERIFY(waitFor([&] {
        for (; !pieces.isEmpty(); pieces.removeFirst())
            line += pieces.constFirst().constFirst().toByteArray();
        return line.size() >= 260;
    }));
    QCOMPARE(line, "C12\r" + everyByte);
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
}

// The speed reaches the device's termios at once; a settings text the port does not know is
// refused and changes nothing.
void TestSerial::lineSpeedOnTheDevice()
{
    ProgramRig rig;
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    rig.form->panel().click("Option10");
    QCOMPARE(rig.projector->lineSpeed(), 9600);
    for (const std::string settings : {"4800,N,8,1", "9600,E,8,1", "19200,N,8,1 "})
        QVERIFY_THROWS_EXCEPTION(PortError, rig.port->setSettings(settings));
    rig.form->panel().click("Option9");
    QCOMPARE(rig.projector->lineSpeed(), 19200);
    QVERIFY(rig.port->isOpen() && rig.boxes.texts.isEmpty());
}

// Enabling a running QtTimer leaves its countdown alone; setting its interval restarts it.
// Told by which of two timers fires first, never by the clock.
void TestSerial::qtTimersKeepTheTimerRule()
{
    for (const bool setInterval : {false, true}) {
        QtTimer timer, trigger, reference;
        QString order;
        for (auto [which, name] : {std::pair{&timer, 'T'}, {&reference, 'R'}}) {
            which->setOnExpiry([&order, which, name] {
                order += name;
                which->setEnabled(false);
            });
        }
        trigger.setOnExpiry([&] {
            trigger.setEnabled(false);
            setInterval ? timer.setInterval(100) : timer.setEnabled(true); // due at 160, or 100
            reference.setEnabled(true);                                    // due at 120
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

void TestSerial::launchOptions_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("outcome"); // COM1, COM2, what runs: the panel, simulator or exit
    QTest::newRow("nothing") << "" << "/dev/ttyS0 /dev/ttyS1 panel";
    QTest::newRow("USB adapter as COM1") << "--com1 /dev/ttyUSB0"
                                         << "/dev/ttyUSB0 /dev/ttyS1 panel";
    QTest::newRow("COM2 with =") << "--com2=/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyUSB0 panel";
    QTest::newRow("simulate") << "--simulate" << "/dev/ttyS0 /dev/ttyS1 simulator";
    QTest::newRow("list ports") << "--list-ports" << "/dev/ttyS0 /dev/ttyS1 exit 0";
    QTest::newRow("stray argument") << "/dev/ttyUSB0" << "/dev/ttyS0 /dev/ttyS1 exit 2";
    QTest::newRow("simulate and COM1 disagree") << "--simulate --com1 /dev/ttyUSB0"
                                                << "/dev/ttyS0 /dev/ttyS1 exit 2";
}

void TestSerial::launchOptions()
{
    QFETCH(QString, arguments);
    const LaunchOptions options =
        parseLaunchOptions(QStringList{"orva-control"} + arguments.split(' ', Qt::SkipEmptyParts));
    const std::optional<int> exit = runWithoutPanel(options);
    const QString runs = exit             ? QStringLiteral("exit %1").arg(*exit)
                         : options.simulate ? "simulator"
                                            : "panel";
    QTEST(options.devices.device(1) + ' ' + options.devices.device(2) + ' ' + runs, "outcome");
}

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
