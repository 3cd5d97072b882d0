// The program's own serial port and timers with a simulated projector on a pseudo-terminal as
// the device, under the faults of a lecture hall. Each fault scenario ends with the panel
// answering, and the operator told once, in a warning box, where it failed.

#include "devicemap.h"
#include "kerneltimer.h"
#include "launchoptionparser.h"
#include "panelprogram.h"
#include "panelstate.h"
#include "peerserver.h"
#include "programrig.h"
#include "quitonsignal.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ControlPanel::TimerUse)

namespace
{

struct Rig : ProgramRig {
    using ProgramRig::ProgramRig;

    // The one warning of a scenario names `where` and says `what`; the window still reacts,
    // and a status query is answered.
    void checkToldOnceAndRunsOn(const QString &where, const QString &what)
    {
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.front().contains(where + ": " + what), qPrintable(boxes.texts[0]));
        QCOMPARE(boxes.lastTitle, "ORVA   PD71 / PD43  CONTROL   Ver.1.40");
        QCOMPARE(boxes.lastIcon, QMessageBox::Warning);
        click("Command33");
        click("Option1");
        click("Command44");
        QVERIFY(waitFor([this] { return label("Label22") == " Stand by"; }));
    }
};

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// A loopback port that never answers: its listener's queue is full, so the kernel drops every
// further SYN, as for a host behind a dead link. Open until the test program ends.
quint16 silentPort()
{
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ::bind(listener, reinterpret_cast<sockaddr *>(&address), size);
    ::listen(listener, 0);
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size);
    for (int i = 0; i < 2; ++i) // what a queue of none takes: one connection and one more
        ::connect(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0),
                  reinterpret_cast<sockaddr *>(&address), size);
    return ntohs(address.sin_port);
}

// ser2net on loopback, in the foreground, serving a simulated projector behind `accepter`: tcp
// (raw, for tcp://), or telnet (for rfc2217://) with or without RFC 2217. One user at a time,
// as by default: a second connection while one is open is refused. Its line starts at 38400
// baud, a speed the panel never sets.
struct Ser2net {
    explicit Ser2net(const QString &accepter) : scheme(accepter == "tcp" ? "tcp" : "rfc2217")
    {
        QFile config(directory.filePath("ser2net.yaml"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("%YAML 1.1\n---\nconnection: &projector\n"
                                    "  accepter: %1,127.0.0.1,%2\n"
                                    "  connector: serialdev,%3,38400n81,local\n")
                         .arg(accepter)
                         .arg(port)
                         .arg(projector->devicePath())
                         .toUtf8());
        config.close();
        start();
    }
    ~Ser2net() { stop(); }

    // Listening once it has written its pid file.
    void start()
    {
        const QString pidFile = directory.filePath("ser2net.pid");
        QFile::remove(pidFile);
        const QFileSystemWatcher watcher({directory.path()});
        const QString config = directory.filePath("ser2net.yaml");
        process.start("ser2net", {"-n", "-u", "-c", config, "-P", pidFile});
        QVERIFY2(waitFor([&] { return QFile::exists(pidFile); }), "ser2net did not start");
    }
    void stop() { process.close(); } // killed, as by a crash or a power cut
    QString url() const { return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port); }

    const QString scheme;
    const std::unique_ptr<SimulatedProjector> projector = ProgramRig::openProjector();
    const quint16 port = freePort();
    QTemporaryDir directory;
    QProcess process;
};

// Whether another program could take `device` now: the lock that Qt programs honour is free
// and the terminal is not in exclusive mode.
bool freeForAnotherProgram(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    QSerialPort other(device);
    return exclusive == 0 && other.open(QIODevice::ReadWrite);
}

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    // The speed reaches the device's termios at once, the port staying open, and the COM
    // button's tooltip.
    void lineSpeedOnTheDevice()
    {
        ProgramRig rig;
        QCOMPARE(rig.projector->lineSpeed(), 19200);
        rig.form->panel().click("Option10");
        QCOMPARE(rig.projector->lineSpeed(), 9600);
        QVERIFY(rig.port->isOpen() && rig.boxes.texts.isEmpty());
        QCOMPARE(rig.control("Command33")->toolTip(),
                 "COM1 is " + rig.com1 + ", open at 9600 baud.\nCOM2 is " +
                     rig.directory.filePath("missing") + '.');
    }

    void programTimersKeepTheTimerRule_data()
    {
        QTest::addColumn<ControlPanel::TimerUse>("use");
        QTest::newRow("repeat (the kernel's clock on Linux)") << ControlPanel::TimerUse::Repeat;
        QTest::newRow("display (QTimer)") << ControlPanel::TimerUse::Display;
    }

    // Enabling a running timer of the program leaves its countdown alone; setting its interval
    // restarts it; one not disabled fires again. Told by the order the timers fire in, never by
    // the clock.
    void programTimersKeepTheTimerRule()
    {
        QFETCH(ControlPanel::TimerUse, use);
        for (const bool setInterval : {false, true}) {
            const auto make = [use] { return Form1::systemTimers()(use); };
            const std::unique_ptr<Timer> timer = make(), trigger = make(), reference = make();
            QString order;
            timer->setOnExpiry([&] {
                order += 'T';
                timer->setEnabled(false);
            });
            reference->setOnExpiry([&] { order += 'R'; }); // and again at 180
            trigger->setOnExpiry([&] {
                trigger->setEnabled(false);
                setInterval ? timer->setInterval(100) : timer->setEnabled(true); // due 160, or 100
                reference->setEnabled(true);                                     // due at 120
            });
            timer->setInterval(100);
            trigger->setInterval(60);
            reference->setInterval(60);
            timer->setEnabled(true);
            trigger->setEnabled(true);
            QVERIFY(waitFor([&] { return order.size() == 3; }));
            QCOMPARE(order, setInterval ? "RTR" : "TRR");
        }
    }

    // The kernel refuses a deadline whose nanoseconds pass a second: armed then, no tick ever.
    void kernelTimerArmsAtAnyMomentOfTheSecond()
    {
        for (const auto &[phase, interval] :
             {std::pair{995'000'000L, 5}, {999'999'999L, 5}, {800'000'000L, 250}}) {
            const auto timer = KernelTimer::create( // a moment of a second past: due at once
                [phase] { return timespec{KernelTimer::monotonicNow().tv_sec - 1, phase}; });
            int ticks = 0;
            timer->setOnExpiry([&ticks] { ++ticks; });
            timer->setInterval(interval);
            timer->setEnabled(true);
            QVERIFY2(waitFor([&ticks] { return ticks > 0; }, 2000), qPrintable(QString::number(phase)));
        }
    }

    void throughSer2net_data()
    {
        QTest::addColumn<QString>("accepter");
        QTest::addColumn<int>("farSpeed"); // after 9600 is chosen; 19200 before, over RFC 2217
        QTest::addColumn<QString>("notice");
        const QString onTheServer = "The speed is set on the serial server";
        QTest::newRow("raw TCP") << "tcp" << 38400 << onTheServer;
        QTest::newRow("RFC 2217") << "telnet(rfc2217),tcp" << 9600 << "";
        QTest::newRow("telnet, RFC 2217 refused") << "telnet,tcp" << 38400 << onTheServer;
    }

    // The speed set before the open returns, a status query, bytes above 0x7F unchanged and
    // the speed choice through ser2net; then ser2net goes away, and comes back for the port
    // chosen again.
    void throughSer2net()
    {
        QFETCH(QString, accepter);
        QFETCH(int, farSpeed);
        QFETCH(QString, notice);
        Ser2net server(accepter);
        Rig rig({.com1 = server.url()});
        QCOMPARE(server.projector->lineSpeed(), farSpeed == 9600 ? 19200 : 38400);
        rig.click("Command44");
        QVERIFY(waitFor([&] { return rig.label("Label22") == " Stand by"; }));
        QByteArray far;
        connect(server.projector.get(), &SimulatedProjector::bytesReceived,
                [&far](const QByteArray &bytes) { far += bytes; });
        rig.port->output("\xff\x80\r");
        QVERIFY(waitFor([&] { return far == "\xff\x80\r"; }));
        rig.click("Command33");
        rig.click("Option10");
        QVERIFY(waitFor([&] {
            return server.projector->lineSpeed() == farSpeed &&
                   rig.boxes.texts.size() == !notice.isEmpty();
        }));
        QVERIFY(rig.boxes.texts.join("").contains(notice) && rig.port->isOpen());
        rig.boxes.texts.clear();
        server.stop();
        QVERIFY(rig.waitForLoss());
        server.start();
        rig.checkToldOnceAndRunsOn(server.url(), "Connection lost");
    }

    // A start opens the port once, the window up and telling that it connects meanwhile; COM1
    // chosen again keeps it open. Counted by the device's closes and the listener's connections.
    void oneOpenPerStart()
    {
        for (const bool network : {false, true}) {
            QTcpServer listener;
            QVERIFY(listener.listen(QHostAddress::LocalHost));
            const std::unique_ptr<SimulatedProjector> device = ProgramRig::openProjector();
            const int closes = ::inotify_init1(IN_NONBLOCK);
            ::inotify_add_watch(closes, QFile::encodeName(device->devicePath()), IN_CLOSE);
            QString whileOpening;
            QTimer::singleShot(0, &listener, [&] { // in the connect's turns of the event loop
                for (const QWidget *window : QApplication::topLevelWidgets())
                    if (window->isVisible())
                        whileOpening += window->findChild<QWidget *>("Command33")->toolTip();
                const QCursor *cursor = QGuiApplication::overrideCursor();
                whileOpening += QString::number(cursor ? cursor->shape() : -1);
            });
            const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(listener.serverPort());
            Rig rig({.com1 = network ? url : device->devicePath()});
            rig.click("Command33");
            rig.click("Option1");
            QVERIFY(rig.port->isOpen() && !QGuiApplication::overrideCursor());
            const QString connecting = "COM1 is " + url + ", connecting (19200 baud).";
            QVERIFY(!network || (whileOpening.startsWith(connecting) &&
                                 whileOpening.endsWith(QString::number(Qt::BusyCursor))));
            listener.waitForNewConnection(0); // takes every connection the kernel holds
            int connections = 0;
            while (listener.nextPendingConnection())
                ++connections;
            char events[256];
            QCOMPARE(::read(closes, events, sizeof events), ssize_t(-1)); // none
            QCOMPARE(connections, int(network));
            ::close(closes);
        }
    }

    // The device hangs up and comes back under the same name.
    void hangUp()
    {
        Rig rig;
        rig.projector->hangUp();
        QVERIFY(rig.waitForLoss());
        QVERIFY(rig.control("Command33")->toolTip().contains(", not open (19200 baud)."));
        rig.replaceProjector();
        rig.checkToldOnceAndRunsOn(rig.com1, "Connection lost");
    }

    void portCannotBeOpened_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("words");
        const QString inUse = "In use by another program", notSerial = "Not a serial device";
        QTest::newRow("missing") << "missing" << 1 << "No such file or directory";
        QTest::newRow("held by a Qt program") << "Qt" << 2 << inUse;
        QTest::newRow("regular file") << "file" << 7 << notSerial;
        QTest::newRow("network port nobody listens on") << "tcp" << 1 << "Connection refused";
        QTest::newRow("network host that never answers")
            << "silent" << 1 << "No answer within 5 seconds";
        QTest::newRow("serial server in use (ser2net without kickolduser)")
            << "busy" << 2 << "Refused by the server: \"Port already in use\"";
    }

    // COM2 is chosen while it is missing, another program holds it, or it cannot be a serial
    // port at all; then COM1 is chosen again. (Exclusive mode and file modes do not stop root,
    // whom the tests may run as.)
    void portCannotBeOpened()
    {
        QFETCH(QString, holder);
        QFETCH(int, number);
        QTemporaryDir directory;
        const std::unique_ptr<SimulatedProjector> other = ProgramRig::openProjector();
        QSerialPort otherProgram(other->devicePath());
        QString com2 = other->devicePath();
        if (holder == "missing" || holder == "file") // missing, by a name too long for a lock
            com2 =
                directory.filePath(holder == "file" ? "ttyUSB1" : QString(250, QLatin1Char('m')));
        if (holder == "file")
            QFile(com2).open(QIODevice::WriteOnly);
        if (holder == "Qt")
            QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        if (holder == "tcp" || holder == "silent")
            com2 = QStringLiteral("tcp://127.0.0.1:%1").arg(holder == "tcp" ? freePort()
                                                                            : silentPort());
        std::optional<Ser2net> busy;
        QTcpSocket firstUser;
        if (holder == "busy") {
            com2 = busy.emplace("telnet(rfc2217),tcp").url();
            firstUser.connectToHost("127.0.0.1", busy->port);
            QVERIFY(firstUser.waitForConnected());
        }
        Rig rig({.com2 = com2});
        rig.click("Command33");
        rig.click("Option2");
        QVERIFY(!rig.port->isOpen());
        QCOMPARE(QAccessible::queryAccessibleInterface(rig.control("Command33"))
                     ->text(QAccessible::Description),
                 "COM1 is " + rig.com1 + ".\nCOM2 is " + com2 + ", not open (19200 baud).");
        QVERIFY(rig.boxes.texts.value(0).startsWith(QStringLiteral("Error %1: ").arg(number)));
        rig.click("Command17"); // the next command goes to the port that stays marked
        QVERIFY(rig.boxes.texts.takeLast().contains(com2 + ": Device is not open"));
        QFETCH(QString, words);
        rig.checkToldOnceAndRunsOn(com2, words);
    }

    // A device opens by the name the system gives it: through a link of 300 characters and
    // through a link whose name is not UTF-8.
    void devicesByTheirSystemNames()
    {
        QTemporaryDir directory;
        const std::unique_ptr<SimulatedProjector> other = ProgramRig::openProjector();
        QString folder = directory.path();
        for (const char letter : {'d', 'e', 'f'})
            folder += QLatin1Char('/') + QString(99, QLatin1Char(letter));
        QVERIFY(QDir().mkpath(folder));
        QFile::link(other->devicePath(), folder + "/ttyUSB1");
        Rig rig({.com2 = folder + "/ttyUSB1"});
        rig.click("Command33");
        rig.click("Option2");
        QVERIFY(rig.port->isOpen() && rig.boxes.texts.isEmpty());
        QByteArray eightBit = QFile::encodeName(directory.filePath("COM")) + "\xb9";
        QByteArray option = "--com1=" + eightBit;
        QCOMPARE(::symlink(QFile::encodeName(other->devicePath()), eightBit), 0);
        char *argv[] = {eightBit.data(), option.data()};
        QCOMPARE(launchArguments(2, argv),
                 QStringList({other->devicePath(), "--com1=" + other->devicePath()}));
        ::unlink(eightBit); // a name QTemporaryDir cannot spell
    }

    void programEnds_data()
    {
        QTest::addColumn<int>("signal"); // 0: the window is closed
        QTest::addColumn<bool>("boxOpen");
        QTest::newRow("5000 SIGTERM while a box is open") << SIGTERM << true;
        QTest::newRow("5000 SIGHUP") << SIGHUP << false;
    }

    // The program's own loop runs, with its own timers and signal handling, until the window goes;
    // then main()'s teardown. A warning that comes after the window has gone (one queued behind an
    // open box) is not shown. The device is free for another program at once.
    void programEnds()
    {
        QFETCH(int, signal);
        QFETCH(bool, boxOpen);
        const QuitOnSignal quitOnSignal;
        Rig rig({.qtTimers = true});
        bool heldWhileRunning = false;
        const auto endNow = [&] {
            heldWhileRunning = !freeForAnotherProgram(rig.com1);
            if (signal == 0)
                rig.form->close();
            for (int i = 0; signal != 0 && i < 5000; ++i) // a storm, as at logout; nothing reads
                std::raise(signal);                       // it until the loop that runs then
            waitFor([&rig] { return !rig.form->isVisible(); });
        };
        if (boxOpen) {
            rig.boxes.whileOpen = [&] {
                rig.form->panel().reportError(PortError(12, "Waiting behind the box"));
                endNow();
            };
            QTimer::singleShot(0, [&] { rig.form->panel().reportError(PortError(12, "Shown")); });
        } else {
            QTimer::singleShot(0, endNow);
        }
        QTimer::singleShot(20000, [] { QCoreApplication::exit(1); });
        ::alarm(60); // a signal handler that blocks is beyond the reach of any timer
        QCOMPARE(QApplication::exec(), 0);
        ::alarm(0);
        rig.form.reset();
        rig.port.reset();
        QCOMPARE(rig.boxes.texts.size(), boxOpen ? 1 : 0);
        QVERIFY(heldWhileRunning);
        QVERIFY(freeForAnotherProgram(rig.com1));
    }

    // No device at log-in, and a settings file that cannot be read: its warning comes first
    // (the operator of the menu sees no standard error); the port's is open when logout sends
    // SIGTERM.
    void signalDuringTheStartUpWarning()
    {
        QTemporaryDir directory;
        DeviceMap devices;
        devices.setDevice(1, directory.filePath(QStringLiteral("ttyUSB0")));
        QtSerialPort port(devices);
        WarningBoxes boxes;
        boxes.close = false; // nobody there to close it
        boxes.whileOpen = [&boxes] {
            boxes.whileOpen = [] { std::raise(SIGTERM); };
            QApplication::activeModalWidget()->close();
        };
        bool hung = false;
        QTimer::singleShot(20000, [&hung] {
            hung = true;
            QCoreApplication::exit(1);
        });
        QCOMPARE(runPanel(port, devices, nullptr, "the settings file F could not be read"), 0);
        QVERIFY(!hung);
        QCOMPARE(boxes.texts.size(), 2);
        QCOMPARE(boxes.texts.front(), "The settings file F could not be read");
    }

    // A command longer than the line holds, then a click: the bytes wait their turn, a full line
    // is no lost device, and END lets them all out before it closes.
    void fullLineWaits()
    {
        for (const auto &[behind, tail] :
             {std::pair{"Command10", QByteArray("C12\r")}, {"Command16", QByteArray()}}) {
            Rig rig;
            QByteArray line;
            connect(rig.projector.get(), &SimulatedProjector::bytesReceived,
                    [&](const QByteArray &bytes) { line += bytes; });
            const QByteArray longCommand(200000, 'x');
            rig.port->output(longCommand.toStdString());
            rig.click(behind);
            const qsizetype all = longCommand.size() + tail.size();
            QVERIFY(waitFor([&] { return line.size() >= all || !rig.boxes.texts.isEmpty(); }));
            QCOMPARE(line, longCommand + tail);
            QVERIFY(rig.port->isOpen() == !tail.isEmpty() && rig.boxes.texts.isEmpty());
        }
    }

    void telnetServersWithoutRfc2217_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("busybox telnetd: no answer at all") << "busybox";
        QTest::newRow("inetutils telnetd: BINARY and COM-PORT-OPTION refused") << "inetutils";
    }

    // The speed is the server's, and the operator is told so once. A CR goes out as CR NUL,
    // and the reply's CR NUL comes in as CR.
    void telnetServersWithoutRfc2217()
    {
        QFETCH(QString, server);
        PeerServer peer({"telnetpeer.py", server});
        Rig rig({.com1 = peer.url()});
        rig.click("Command33");
        rig.click("Option10");
        QVERIFY(waitFor([&] { return !rig.boxes.texts.isEmpty(); }));
        rig.checkToldOnceAndRunsOn(peer.url(), "The speed is set on the serial server");
        QCOMPARE(rig.state().receiveBuffer, "80\r");
        QVERIFY(peer.said().contains("data 4352300d00\n"));
    }

    // While the server has suspended the flow, a query waits and ends as no reply; it goes out
    // once the server resumes, not before.
    void suspendedFlow()
    {
        PeerServer peer({"telnetpeer.py", "suspend"});
        Rig rig({.com1 = peer.url()});
        rig.click("Command44");
        rig.clock.advance(600); // the reply's wait of 500 ms
        QCOMPARE(rig.label("Label12"), " X X X X");
        peer.write("resume\n");
        // The peer prints each piece as it came: the command may arrive in more than one.
        const auto sentAfterResume = [&] {
            const QStringList said = QString::fromLatin1(peer.said()).split(u'\n');
            const qsizetype resumed = said.indexOf(QStringLiteral("resumed"));
            QString hex;
            for (qsizetype i = 0; i < said.size(); ++i)
                if (said[i].startsWith(QStringLiteral("data ")))
                    hex += i < resumed ? QStringLiteral("(before the resume)") : said[i].mid(5);
            return resumed < 0 ? QString() : hex;
        };
        QVERIFY(waitFor([&] { return sentAfterResume().size() >= 8; }));
        QCOMPARE(sentAfterResume(), QStringLiteral("4352300d"));
    }

    // A server that offers options without end and never reads: the port holds 32 KiB of
    // answers for it, then gives up on the line.
    void serverThatNeverReads()
    {
        PeerServer peer({"telnetpeer.py", "flood"});
        Rig rig({.com1 = peer.url()});
        QVERIFY(waitFor([&] { return !rig.boxes.texts.isEmpty(); }));
        QVERIFY(rig.boxes.texts.front().contains("More than 32 KiB waiting to be sent"));
    }

    // A forgotten `cat` on the device takes the replies first: the panel's reads find nothing,
    // and the device is still there.
    void anotherProgramReads()
    {
        const std::unique_ptr<SimulatedProjector> projector = ProgramRig::openProjector();
        const QByteArray device = QFile::encodeName(projector->devicePath());
        const int other = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QSocketNotifier reader(other, QSocketNotifier::Read); // served before the panel's
        int taken = 0;
        connect(&reader, &QSocketNotifier::activated, [&] {
            char byte;
            taken += ::read(other, &byte, 1) > 0;
        });
        Rig rig({.com1 = projector->devicePath()});
        termios settings{};
        ::tcgetattr(other, &settings);
        for (int sent = 1; sent <= 4; ++sent) {
            settings.c_cc[VMIN] = sent % 2; // the panel's reads fail with EAGAIN, or find no bytes
            ::tcsetattr(other, TCSANOW, &settings);
            projector->send("0");
            QVERIFY(waitFor([&] { return taken == sent; }));
        }
        QVERIFY(rig.port->isOpen() && rig.state().receiveBuffer.empty());
        reader.setEnabled(false);
        ::close(other);
        rig.checkToldOnceAndRunsOn(rig.com1, "Another program is reading this device");
    }
};

QTEST_MAIN(TestSerial)
#include "test_serial.moc"
