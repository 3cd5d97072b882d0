// orva-control --send: the real program against a scripted device on a pseudo-terminal, the
// same command through a running panel, and the turn a command from outside waits for.

#include "panelrig.h"
#include "panelsocketserver.h"
#include "requestqueue.h"
#include "serialportfacts.h"
#include "sharingsocket.h"
#include "simulatedprojector.h"
#include "windowcontrols.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A scripted device: a silent simulated projector whose line the test reads and answers.
struct ScriptedDevice {
    ScriptedDevice()
    {
        projector.open();
        projector.setSilent(true);
        QObject::connect(&projector, &SimulatedProjector::bytesReceived,
                         [this](const QByteArray &bytes) { line += bytes; });
    }
    // What the program wrote, once `count` bytes have come or the deadline has passed.
    QByteArray take(qsizetype count, int deadlineMs = 5000)
    {
        waitFor([&] { return line.size() >= count; }, deadlineMs);
        return std::exchange(line, {});
    }

    SimulatedProjector projector;
    QByteArray line;
};

using ClockedPanel = PanelRig; // the panel on a fake port and a virtual clock

std::unique_ptr<QProcess> start(const QString &arguments)
{
    auto program = std::make_unique<QProcess>();
    program->start(QCoreApplication::applicationDirPath() + QStringLiteral("/../orva-control"),
                   arguments.split(QLatin1Char(' ')));
    return program;
}

// The program's own panel, offscreen, once it shares the port of `device`.
std::unique_ptr<QProcess> startPanel(const QString &device, const QString &more = {})
{
    const QString socket = SharingSocket::path(device);
    const QFileSystemWatcher watcher({QFileInfo(socket).path()}); // wakes waitFor()
    QLocalSocket probe;
    probe.connectToServer(socket);
    if (!probe.waitForConnected(100)) { // not served: a socket of a panel killed earlier
        QFile::remove(socket);
        QFile(socket).open(QIODevice::WriteOnly); // left there, as by a panel that crashed
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto panel = start(QStringLiteral("--com1 %1%2").arg(device, more));
    qunsetenv("QT_QPA_PLATFORM");
    waitFor([&] { return QFileInfo(socket).exists() && !QFileInfo(socket).isFile(); });
    return panel;
}

QByteArray finish(QProcess &program)
{
    waitFor([&] { return program.state() == QProcess::NotRunning; });
    return program.readAllStandardOutput().trimmed();
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("XDG_CONFIG_HOME",
                QFile::encodeName(m_runtime.filePath("config"))); // not the user's
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name); // the program runs as a script runs it, with no display
    }

    void send_data()
    {
        QTest::addColumn<QString>("arguments"); // %1: the scripted device
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer"); // empty: the device stays silent
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<int>("exitStatus");

        QTest::newRow("a name") << "--com1 %1 --send status" << QByteArray("CR0\r")
                                << QByteArray("00\r") << QByteArray("Power ON") << 0;
        QTest::newRow("text equal to a name, raw")
            << "--com1 %1 --raw --send mode" << QByteArray("mode\r") << QByteArray("\x15")
            << QByteArray("?") << 4;
        QTest::newRow("COM2") << "--com2 %1 --port COM2 --speed 9600 --send pc2-rgb"
                              << QByteArray("C25\r") << QByteArray("\x06") << QByteArray("ACK")
                              << 0;
        QTest::newRow("port missing") << "--com1 /nonexistent%1 --send status" << QByteArray()
                                      << QByteArray() << QByteArray() << 3;
        QTest::newRow("no such port") << "--com1 %1 --port COM3 --send status" << QByteArray()
                                      << QByteArray() << QByteArray() << 2;
        QTest::newRow("log unopenable") << "--log /nonexistent/x --send mode" << QByteArray()
                                        << QByteArray() << QByteArray() << 2;
    }

    void send()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        ScriptedDevice device;
        const auto program = start(arguments.arg(device.projector.devicePath()));
        QCOMPARE(device.take(sent.size(), sent.isEmpty() ? 0 : 5000), sent);
        device.projector.send(answer);

        QTEST(finish(*program), "shown");
        QTEST(program->exitCode(), "exitStatus");
    }

    void settingsFile_data()
    {
        QTest::addColumn<QString>("file"); // before and after; %1: the scripted device
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("after"); // empty: as before, the panel never writes it
        const QString named = "[ports]\ncom1=%1\n";
        QTest::newRow("COM1 from the file")
            << named << "--send mode" << QByteArray("CR1\r") << false << "";
        QTest::newRow("--com1 wins") << named.arg("/nonexistent") << "--com1 %1 --send mode"
                                     << QByteArray("CR1\r") << false << "";
        QTest::newRow("unparsable: ignored")
            << "[ports\ncom2=%1\n"
            << "--port COM2 --send mode" << QByteArray() << true << "";
        QTest::newRow("--save-ports") << "[ports]\ncom2=/dev/ttyUSB1\n"
                                      << "--save-ports --com1 %1" << QByteArray() << false
                                      << "[ports]\ncom1=%1\ncom2=/dev/ttyUSB1\n";
    }

    void settingsFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, after);
        ScriptedDevice device;
        const auto withDevice = [&](QString text) {
            return text.replace("%1", device.projector.devicePath());
        };
        const QString path = m_runtime.filePath("config/orva-control/orva-control.conf");
        QDir().mkpath(QFileInfo(path).path());
        QFile settings(path);
        settings.open(QIODevice::WriteOnly | QIODevice::Truncate);
        settings.write(withDevice(file).toUtf8());
        settings.close();
        QFETCH(QString, arguments);
        const auto program = start(withDevice(arguments));
        finish(*program); // no answer: it waits half a second, meanwhile the bytes arrive
        QTEST(device.take(0, 0), "sent");
        QTEST(program->readAllStandardError().count("could not be parsed; it is ignored") == 1,
              "warned");
        settings.open(QIODevice::ReadOnly);
        QCOMPARE(settings.readAll(), withDevice(after.isEmpty() ? file : after).toUtf8());
        }

    // --list-ports: what is known of each port, its links in by-id, plain words for none.
    void listPorts()
    {
        const QTemporaryDir dir; // the devices and the links beside them
        QFile(dir.filePath("ttyUSB0")).open(QIODevice::WriteOnly);
        QFile::link(dir.filePath("ttyUSB0"), dir.filePath("usb-FTDI_A1-if00-port0"));
        QFile::link(dir.filePath("ttyUSB9"), dir.filePath("usb-gone")); // leads nowhere
        QString printed;
        QTextStream out(&printed);
        printSerialPorts(out,
                         {{dir.filePath("ttyUSB0"), "FT232R USB UART", "FTDI", "A1", 0x403, 0x6001},
                          {dir.filePath("ttyS9"), {}, {}, {}, {}, {}}},
                         dir.path());
        printSerialPorts(out, {}, dir.path());
        QCOMPARE(printed, QStringLiteral(R"(%1/ttyUSB0
  description:   FT232R USB UART
  manufacturer:  FTDI
  serial number: A1
  USB ID:        0403:6001
  stable name:   %1/usb-FTDI_A1-if00-port0

%1/ttyS9
  stable name:   none in %1
No serial ports found on this system.
)")
                              .arg(dir.path()));
    }

    void json()
    {
        ScriptedDevice device;
        const QString device1 = device.projector.devicePath();
        const auto program = start(QStringLiteral("--com1 %1 --send l-time --json").arg(device1));
        device.take(4);
        device.projector.send("1234\r");

        QJsonObject outcome = QJsonDocument::fromJson(finish(*program)).object();
        QVERIFY(outcome.take("elapsed_ms").isDouble());
        QCOMPARE(outcome, QJsonDocument::fromJson(R"({"command": "l-time", "sent": "CR3\r",
            "reply": "1234\r", "rendered": " 1 2 3 4 CR ", "status": " 1 2 3 4 CR  Hour Use",
            "outcome": "reply", "error": ""})")
                              .object());
    }

    // Two panels, each serving the device it holds: A holds X (and names Y as its COM2), B
    // holds Y; neither device could be opened beside its panel. Behind three texts that X
    // leaves unanswered (2 s each), 50 command lines at once through A are each answered. A's
    // log on a full disk is told once; its socket goes with it.
    void twoPanelsManyCommands()
    {
        DeviceMap devices;
        const auto x = SimulatedProjector::openAsPort1(devices);
        SimulatedProjector y;
        y.open();
        const QString send = QStringLiteral("--com1 %1 --send %2");
        const auto a = startPanel(devices.device(1), " --log /dev/full --com2 " + y.devicePath());
        const auto b = startPanel(y.devicePath());
        QCOMPARE(QFileInfo(SharingSocket::path(y.devicePath())).permissions() & 0077, 0);
        std::vector<std::unique_ptr<QProcess>> sends;
        for (int i = 0; i < 53; ++i) // the longest line X answers is 256 characters
            sends.push_back(start(send.arg(devices.device(1), i < 3 ? QString(300, 'x') : "mode")));
        QCOMPARE(finish(*start(send.arg(y.devicePath(), "mode"))), "Computer 1");
        QVERIFY(waitFor([&] { return std::ranges::all_of(sends, [](auto &p) { return p->state() == QProcess::NotRunning; }); }, 60000));
        for (std::size_t i = 0; i < sends.size(); ++i)
            QCOMPARE(sends[i]->exitCode(), i < 3 ? 1 : 0);
        QCOMPARE(sends.back()->readAllStandardOutput(), "Computer 1\n");
        a->terminate();
        finish(*a);
        QCOMPARE(a->readAllStandardError().count("traffic log"), 1);
        QVERIFY(!QFileInfo::exists(SharingSocket::path(devices.device(1)))); // removed
    }

    // A panel (on a fake port, holding COM1) and a command line: through the panel when its
    // socket folder is this user's alone, to the line asked for, and to nobody else.
    void throughAPanel_data()
    {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("peer"); // besides the panel
        QTest::addColumn<QString>("arguments"); // %1: a projector that is not the panel's
        QTest::addColumn<QByteArray>("written"); // on the panel's line; empty: its writes fail
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("error"); // once on standard error; empty: nothing there

        const QString panels = "--com1 tcp://127.0.0.1:1 --send ";
        const QString mode = panels + "mode";
        const QString notPrivate = "orva-control is not a folder of this user's alone";
        QTest::newRow("byte above 0x7F") << 0700 << "" << panels + "\u00e9"
                                         << QByteArray("\xe9\r") << QByteArray("ACK") << 0 << "";
        QTest::newRow("port error") << 0700 << "" << mode << QByteArray() << QByteArray() << 3
                                    << "Operation valid only when the port is open";
        QTest::newRow("COM2 is not held") << 0700 << "" << "--com1 tcp://127.0.0.1:1 --com2 %1 --port COM2 --send mode"
                                          << QByteArray() << QByteArray("Computer 1") << 0 << "";
        QTest::newRow("a panel that let go") << 0700 << "not-held" << "--com1 %1 --send mode"
                                             << QByteArray() << QByteArray("Computer 1") << 0 << "";
        QTest::newRow("group may enter") << 0710 << "" << mode << QByteArray() << QByteArray() << 3 << notPrivate;
        QTest::newRow("others may enter") << 0701 << "" << mode << QByteArray() << QByteArray() << 3 << notPrivate;
        QTest::newRow("another user") << 0700 << "nobody" << mode << QByteArray() << QByteArray() << 1 << "";
    }

    void throughAPanel()
    {
        QFETCH(QString, peer);
        if (peer == "nobody" && ::getuid() != 0)
            QSKIP("making a peer of another user needs root");
        QFETCH(QByteArray, written);
        DeviceMap devices;
        const auto projector = SimulatedProjector::openAsPort1(devices);
        const QString other = devices.device(1);
        devices.setDevice(1, "tcp://localhost:1"); // the panel's, as the command line spells it otherwise
        const QByteArray folder = QFile::encodeName(m_runtime.filePath("orva-control"));
        ::mkdir(folder.constData(), 0700);
        QFETCH(int, folderMode);
        ::chmod(folder.constData(), mode_t(folderMode));
        ClockedPanel rig;
        rig.port.failWrites = written.isEmpty();
        const PanelSocketServer sharing(rig.panel, devices);
        QLocalServer letGo; // a panel that closed its port as the request came
        QObject::connect(&letGo, &QLocalServer::newConnection, [&] {
            letGo.nextPendingConnection()->write("{\"outcome\":\"not-held\"}\n");
        });
        if (peer == "not-held")
            letGo.listen(SharingSocket::path(other));
        QFETCH(QString, arguments);
        auto program = std::make_unique<QProcess>();
        if (peer != "nobody")
            program = start(arguments.replace("%1", other));
        else { // of this user's group, and let through the folder; cut off, socat fails
            program->setStandardErrorFile(QProcess::nullDevice());
            program->start("setpriv", {"--reuid=nobody", "--regid=" + QString::number(::getgid()), "--clear-groups",
                                       "--inh-caps=+dac_override", "--ambient-caps=+dac_override", "socat", "-",
                                       "UNIX-CONNECT:" + SharingSocket::path(devices.device(1))});
            program->write("{\"name\":\"mode\"}\n");
        }
        QByteArray line;
        bool answered = false;
        waitFor([&] {
            line += QByteArray::fromStdString(rig.port.takeWritten());
            if (line.endsWith('\r') && !std::exchange(answered, true))
                rig.port.receive("\x06");
            return program->state() == QProcess::NotRunning;
        });
        ::chmod(folder.constData(), 0700);
        QCOMPARE(line, written);
        QTEST(program->readAllStandardOutput().trimmed(), "shown");
        QTEST(program->exitCode(), "exitStatus");
        QFETCH(QString, error);
        const QString errors = program->readAllStandardError();
        QVERIFY2(error.isEmpty() ? errors.isEmpty() : errors.count(error) == 1, qPrintable(errors));
    }

    void badRequests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("not JSON") << QByteArray("CR0\n") << "bad-request";
        QTest::newRow("name and text")
            << QByteArray("{\"name\":\"status\",\"text\":\"C00\"}\n") << "bad-request";
        QTest::newRow("too long") << QByteArray(30000, 'x') << "bad-request";
        }

    // Anything but one well-formed request of bounded size is answered with an error, and the
    // panel goes on serving.
    void badRequests()
    {
        QFETCH(QByteArray, request);
        DeviceMap devices;
        const auto projector = SimulatedProjector::openAsPort1(devices);
        const auto panel = startPanel(devices.device(1));
        QLocalSocket client;
        client.connectToServer(SharingSocket::path(devices.device(1)));
        client.write(request);
        waitFor([&] { return client.canReadLine(); });
        QTEST(QJsonDocument::fromJson(client.readLine()).object().value("outcome").toString(),
              "outcome");

        const auto after = start(QStringLiteral("--com1 %1 --send mode").arg(devices.device(1)));
        QCOMPARE(finish(*after), "Computer 1");
    }

    void replyEnds_data()
    {
        QTest::addColumn<std::string>("command");   // a control name, or text
        QTest::addColumn<QByteArrayList>("pieces"); // arriving 10 ms apart
        QTest::addColumn<int>("doneAt");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QString>("shown"); // the status, else the rendering

        QTest::newRow("a query's reply in pieces")
            << std::string("Command44") << QByteArrayList{"0", "0\r"} << 10 << 0 << " Power ON";
        QTest::newRow("ACK before a query's reply")
            << std::string("CR0") << QByteArrayList{"\x06", "00\r"} << 10 << 5 << " ACK 0 0 CR ";
        QTest::newRow("an ordinary command's ACK")
            << std::string("Command17") << QByteArrayList{"\x06"} << 0 << 0 << " ACK ";
        QTest::newRow("NAK") << std::string("CR9") << QByteArrayList{"\x15"} << 0 << 4 << " ? ";
        QTest::newRow("a reply without its end")
            << std::string("CR3") << QByteArrayList{"12"} << 2000 << 0 << " 1 2  Hour Use";
        QTest::newRow("nothing") << std::string("Command46") << QByteArrayList{} << 500 << 1
                                 << " X X X X";
    }

    void replyEnds()
    {
        QFETCH(std::string, command);
        QFETCH(QByteArrayList, pieces);
        ClockedPanel rig;
        std::optional<ExchangeOutcome> outcome;
        std::int64_t doneAt = -1;
        const bool button = command.starts_with("Command");
        rig.panel.request({command, button ? command : std::string()},
                          [&](const ExchangeOutcome &done) {
                              outcome = done;
                              doneAt = rig.clock.now();
                          });
        for (const QByteArray &piece : pieces) {
            rig.port.receive(piece.toStdString());
            rig.clock.advance(10);
        }
        rig.clock.advance(3000);

        QTEST(int(doneAt), "doneAt");
        QTEST(exitStatus(outcome->result), "exitStatus");
        QTEST(QString::fromLatin1(outcome->status.value_or(outcome->rendered)), "shown");
    }

    void waitsItsTurn_data()
    {
        QTest::addColumn<QString>("before"); // what the panel does at 0 ms
        QTest::addColumn<QString>("after");  // what it does at 900 ms
        QTest::addColumn<int>("sentAt");     // when the command from outside goes on the line
        QTest::addColumn<bool>("wanted");    // false: its asker gives up at once
        QTest::addColumn<int>("failedAt");   // when it is given up as waiting too long

        const QString nothing;
        QTest::newRow("idle panel") << nothing << nothing << 0 << true << -1;
        QTest::newRow("STATUS's exchange") << "click Command44" << nothing << 500 << true << -1;
        QTest::newRow("asker gone") << "click Command44" << nothing << -1 << false << -1;
        QTest::newRow("VOL + held") << "press Command1"
                                    << "release Command1" << 900 << true << -1;
        QTest::newRow("VOL + held for ever") << "press Command1" << nothing << -1 << true << 31000;
    }

    void waitsItsTurn()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, sentAt);
        ClockedPanel rig;
        ControlPanel &panel = rig.panel;
        const auto act = [&](const QString &action) {
            const std::string control = action.section(' ', 1).toStdString();
            if (action.startsWith("click"))
                panel.click(control);
            else if (action.startsWith("press"))
                panel.press(control);
            else if (action.startsWith("release"))
                panel.release(control);
        };
        act(before);
        rig.port.takeWritten();
        QFETCH(bool, wanted);
        int failedAt = -1;
        panel.request({"CR7", {}, [=] { return wanted; }}, [&](const ExchangeOutcome &outcome) {
            if (outcome.error == "waited 30 s behind the panel's own exchanges")
                failedAt = int(rig.clock.now());
        });

        for (int ms = 0; ms < 32000; ++ms) {
            if (ms == 900)
                act(after);
            const bool sent = rig.port.takeWritten().find("CR7\r") != std::string::npos;
            QVERIFY2(sent == (ms == sentAt), qPrintable(QString::number(ms)));
            rig.clock.advance(1);
        }
        QTEST(failedAt, "failedAt");
    }

private:
    QTemporaryDir m_runtime; // the panel's socket directory, private to this test
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
