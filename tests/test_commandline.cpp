// orva-control --send: the real program against a scripted device on a pseudo-terminal, the
// same command through a running panel, and the turn a command from outside waits for.

#include "metricsexposition.h"
#include "panelrig.h"
#include "panelsocketserver.h"
#include "peerserver.h"
#include "requestqueue.h"
#include "serialportfacts.h"
#include "sharingsocket.h"
#include "simulatedprojector.h"
#include "windowcontrols.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

std::unique_ptr<QProcess> start(const QString &arguments,
                                const std::function<void()> &inChild = {})
{
    auto program = std::make_unique<QProcess>();
    program->setChildProcessModifier(inChild);
    program->start(QCoreApplication::applicationDirPath() + QStringLiteral("/../orva-control"),
                   arguments.split(QLatin1Char(' ')));
    return program;
}

// The program's own panel, offscreen, once it shares the port of `device`.
std::unique_ptr<QProcess> startPanel(const QString &device, const QString &more = {},
                                     const std::function<void()> &inChild = {})
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
    auto panel = start(QStringLiteral("--com1 %1%2").arg(device, more), inChild);
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
        QCOMPARE(::mkfifo(QFile::encodeName(m_runtime.filePath("fifo")), 0600), 0);
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name); // the program runs as a script runs it, with no display
    }

    void send_data()
    {
        QTest::addColumn<QString>("arguments"); // %1: the scripted device, %2: a folder
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("answer"); // empty: the device stays silent
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QByteArray>("said"); // the one line on standard error
        QTest::addColumn<QByteArray>("logged"); // a log's first line, kept when appending

        QTest::newRow("a name") << "--com1 %1 --send status --log %2/log" << QByteArray("CR0\r")
                                << QByteArray("00\r") << QByteArray("Power ON") << 0
                                << QByteArray() << QByteArray("an earlier line\n");
        QTest::newRow("text equal to a name, raw")
            << "--com1 %1 --raw --send mode" << QByteArray("mode\r") << QByteArray("\x15")
            << QByteArray("?") << 4 << QByteArray("refused the command (NAK)") << QByteArray();
        QTest::newRow("COM2") << "--com2 %1 --port COM2 --speed 9600 --send pc2-rgb"
                              << QByteArray("C25\r") << QByteArray("\x06") << QByteArray("ACK")
                              << 0 << QByteArray() << QByteArray();
        QTest::newRow("undecoded") << "--com1 %1 --send status" << QByteArray("CR0\r")
                                   << QByteArray("77\r") << QByteArray("7 7 CR") << 5
                                   << QByteArray("none of the status texts of status")
                                   << QByteArray();
        QTest::newRow("no reply, log on a full disk")
            << "--com1 %1 --send mode --log /dev/full" << QByteArray("CR1\r") << QByteArray()
            << QByteArray("X X X X") << 1
            << QByteArray("written: No space left on device\norva-control: no reply came")
            << QByteArray();
        QTest::newRow("port missing") << "--com1 /nonexistent%1 --send status" << QByteArray()
                                      << QByteArray() << QByteArray() << 3
                                      << QByteArray("No such file or directory") << QByteArray();
        QTest::newRow("speed on raw TCP")
            << "--com1 tcp://127.0.0.1:1 --speed 9600 --send mode" << QByteArray() << QByteArray()
            << QByteArray() << 3
            << QByteArray("Error 7: tcp://127.0.0.1:1: The speed is set on the serial server")
            << QByteArray();
        const QList<std::pair<const char *, const char *>> usageErrors = {
            {"--com1 %1 --port COM3 --send status", "--port is COM1 or COM2."},
            {"--log /nonexistent/x --send mode", "cannot open the log /nonexistent/x: No such"},
            {"--log %2/fifo --send mode", "cannot open the log %2/fifo: no program reads the"},
            {"--log - --json --send mode", "--json and --log - both write to standard output."},
            {"--send mode --list-ports", "--send and --list-ports do not go together."},
            {"--send mode --send status", "--send is given twice."}};
        for (const auto &[arguments, said] : usageErrors)
            QTest::newRow(said) << arguments << QByteArray() << QByteArray() << QByteArray() << 2
                                << QByteArray(said) << QByteArray();
    }

    void send()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, logged);
        QFile log(m_runtime.filePath("log"));
        QVERIFY(log.open(QIODevice::WriteOnly | QIODevice::Truncate) && log.write(logged) >= 0);
        log.close();
        ScriptedDevice device;
        const auto program = start(arguments.replace("%1", device.projector.devicePath())
                                       .replace("%2", m_runtime.path()));
        QCOMPARE(device.take(sent.size(), sent.isEmpty() ? 0 : 5000), sent);
        device.projector.send(answer);

        QTEST(finish(*program), "shown");
        QTEST(program->exitCode(), "exitStatus");
        QFETCH(QByteArray, said);
        const QByteArray told = program->readAllStandardError();
        QVERIFY2(told.contains(said.replace("%2", QFile::encodeName(m_runtime.path()))), told);
        QCOMPARE(told.isEmpty(), said.isEmpty());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().startsWith(logged + (logged.isEmpty() ? "" : "20")));
    }

    // pyserial's RFC 2217 server, its port at 38400, with a projector behind it that listens at
    // 9600 baud only: each --send at 9600 is answered, the speed set before the command goes.
    void sendThroughPyserial()
    {
        PeerServer server({"rfc2217server.py", "38400"});
        for (int run = 0; run < 3; ++run)
            QCOMPARE(finish(*start("--send status --speed 9600 --com1 " + server.url())),
                     "Stand by");
    }

    void settingsFile_data()
    {
        QTest::addColumn<QString>("file"); // before and after; %1: the scripted device
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QString>("after"); // empty: as before, the panel never writes it
        QTest::addColumn<int>("exitStatus");
        const QString named = "[ports]\ncom1=%1\n";
        QTest::newRow("COM1 from the file")
            << named << "--send mode" << QByteArray("CR1\r") << false << "" << 1;
        QTest::newRow("--com1 wins") << named.arg("/nonexistent") << "--com1 %1 --send mode"
                                     << QByteArray("CR1\r") << false << "" << 1;
        QTest::newRow("unparsable: ignored")
            << "[ports\ncom2=%1\n"
            << "--port COM2 --send mode" << QByteArray() << true << "" << 3;
        const QString users = "# mine\r\n[panel]\nlook = dark ; not ours\n\n[ports]\n; adapter\n"
                              "com2 = \"/dev/ttyUSB1\"\n%1[other]\ncom1=/dev/x";
        QTest::newRow("--save-ports keeps the rest")
            << users.arg("") << "--save-ports --com1 %1" << QByteArray() << false
            << users.arg("com1=%1\n") << 0;
        QTest::newRow("--save-ports over an unparsable file")
            << "[ports]\ncom1=%1\nbad line\n"
            << "--save-ports --com2 /dev/ttyUSB1" << QByteArray() << true << "" << 2;
        for (const char *device : {"ttyUSB0", "tcp://127.0.0.1:99999", ""})
            QTest::newRow(device) << named << QStringLiteral("--save-ports --com1=") + device
                                  << QByteArray() << false << "" << 2;
    }

    // The file is the user's, reached through a link; --save-ports changes its own lines.
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
        QFile::remove(path);
        QVERIFY(QFile::link(m_runtime.filePath("config/mine.conf"), path));
        QFile settings(m_runtime.filePath("config/mine.conf"));
        settings.open(QIODevice::WriteOnly | QIODevice::Truncate);
        settings.write(withDevice(file).toUtf8());
        settings.close();
        QFETCH(QString, arguments);
        const auto program = start(withDevice(arguments));
        finish(*program); // no answer: it waits half a second, meanwhile the bytes arrive
        QTEST(device.take(0, 0), "sent");
        QTEST(program->readAllStandardError().count("could not be parsed") == 1, "warned");
        QTEST(program->exitCode(), "exitStatus");
        for (int run = 0; run < (after.isEmpty() ? 1 : 2); ++run) { // the same bytes each time
            if (run > 0)
                finish(*start(withDevice(arguments)));
            QVERIFY(QFileInfo(path).isSymLink());
            settings.open(QIODevice::ReadOnly);
            QCOMPARE(settings.readAll(), withDevice(after.isEmpty() ? file : after).toUtf8());
            settings.close();
        }
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

    void json_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("reply"); // sent 300 ms after the command came
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("L-TIME") << "--send l-time" << QByteArray("1234\r") << QByteArray(R"({
            "command": "l-time", "sent": "CR3\r", "reply": "1234\r", "rendered": " 1 2 3 4 CR ",
            "status": "1 2 3 4 CR  Hour Use", "reading": {"lamp_hours": 1234},
            "outcome": "reply", "error": ""})");
        QTest::newRow("a byte above 0x7F") << "--raw --send CR9" << QByteArray("PD\xe9\r")
                                           << QByteArray(R"({
            "command": "CR9", "sent": "CR9\r", "reply": "PD\u00e9\r", "rendered": " P D ? CR ",
            "status": "P D ? CR", "reading": {"model": "PD\u00e9"}, "outcome": "reply",
            "error": ""})");
    }

    // The outcome for a script: the figures as values, the status unpadded, and the time the
    // exchange took.
    void json()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, reply);
        ScriptedDevice device;
        const auto program = start(QStringLiteral("--com1 %1 --json %2")
                                       .arg(device.projector.devicePath(), command));
        device.take(4);
        QTest::qWait(300); // the projector is slow to answer
        device.projector.send(reply);

        QFETCH(QByteArray, expected);
        QJsonObject outcome = QJsonDocument::fromJson(finish(*program)).object();
        QVERIFY(outcome.take("elapsed_ms").toInt() >= 300);
        QCOMPARE(outcome, QJsonDocument::fromJson(expected).object());
    }

    void power_data()
    {
        QTest::addColumn<QString>("before"); // --power run first
        QTest::addColumn<QByteArrayList>("script"); // the answers in turn; none: the model's
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<QByteArray>("said"); // standard output, then standard error

        QTest::newRow("standby") << "" << QByteArrayList{} << QByteArray("CR0\r") << 0
                                 << QByteArray("already off (Stand by)");
        QTest::newRow("counting down")
            << "on" << QByteArrayList{} << QByteArray("CR0\rC01\rCR0\r") << 0
            << QByteArray("switching off (Cooling down)");
        // Stands for a projector that refuses power-off while on (a lamp fault, a locked key).
        QTest::newRow("refused") << "" << QByteArrayList{"00\r", "\x15"}
                                 << QByteArray("CR0\rC01\r") << 4
                                 << QByteArray("orva-control: the projector refused power-off (NAK)");
    }

    // --power off against the simulated projector: the command goes only when the projector is
    // neither off nor cooling, and its cooling is seen before it counts as done.
    void power()
    {
        QFETCH(QByteArrayList, script);
        SimulatedProjector projector;
        projector.open();
        projector.setSilent(!script.isEmpty());
        QByteArray sent;
        connect(&projector, &SimulatedProjector::answered, [&](const QByteArray &line) {
            sent += line + '\r';
            if (!script.isEmpty())
                projector.send(script.takeFirst());
        });
        const QString power = "--com1 " + projector.devicePath() + " --power ";
        QFETCH(QString, before);
        if (!before.isEmpty())
            finish(*start(power + before));
        sent.clear();

        const auto program = start(power + "off");
        const QByteArray said = finish(*program);
        QTEST(said + program->readAllStandardError().trimmed(), "said");
        QTEST(sent, "sent");
        QTEST(program->exitCode(), "exitStatus");
    }

    // Two panels, each serving the device it holds (A holds X and names Y as COM2; B holds Y).
    // Behind three texts X leaves unanswered, 50 command lines at once through A are answered.
    // A's log's reader gone is told once.
    void twoPanelsManyCommands()
    {
        DeviceMap devices;
        const auto x = SimulatedProjector::openAsPort1(devices);
        SimulatedProjector y;
        y.open();
        const QString send = QStringLiteral("--com1 %1 --send %2");
        const auto a = startPanel(devices.device(1), " --log - --com2 " + y.devicePath(), [] {
            int pipe[2]; // standard output a pipe whose reader has gone, as after `| head -n 3`
            ::pipe(pipe) == 0 && ::close(pipe[0]) == 0 && ::dup2(pipe[1], STDOUT_FILENO);
        });
        const auto b = startPanel(y.devicePath());
        bool heard = false; // the first text: the rest start while X need not answer
        QObject::connect(x.get(), &SimulatedProjector::bytesReceived, [&] { heard = true; });
        std::vector<std::unique_ptr<QProcess>> sends;
        for (int i = 0; i < 53; ++i) { // the longest line X answers is 256 characters
            sends.push_back(start(send.arg(devices.device(1), i < 3 ? QString(300, 'x') : "mode")));
            QVERIFY(i != 2 || waitFor([&] { return heard; }));
        }
        const auto second = start(send.arg(y.devicePath(), "mode --json"));
        QCOMPARE(QJsonDocument::fromJson(finish(*second))["reading"]["input"], "computer-1");
        for (std::size_t i = 0; i < sends.size(); ++i) {
            const QByteArray shown = finish(*sends[i]); // before its exit status is read
            QCOMPARE(shown + QByteArray::number(sends[i]->exitCode()),
                     i < 3 ? "X X X X1" : "Computer 10"); // no reply; an answer
        }
        a->terminate();
        finish(*a);
        QCOMPARE(a->readAllStandardError().count("could not be written: Broken pipe"), 1);
        QVERIFY(!QFileInfo::exists(SharingSocket::path(devices.device(1)))); // removed
    }

    // A panel on a fake port holding COM1, and a command line or a peer on its socket.
    void throughAPanel_data()
    {
        QTest::addColumn<QString>("peer"); // besides --send: the panel lets go, or socat's command
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("arguments");  // %1: a projector not the panel's; socat's request
        QTest::addColumn<QByteArray>("written"); // on the panel's line; empty: its writes fail
        QTest::addColumn<QByteArray>("shown");   // once in the output; empty: no output at all

        const QString panels = "--com1 tcp://127.0.0.1:1 --send "; // the panel's, as localhost
        const QByteArray none, bad = R"("outcome":"bad-request")", answer = "Computer 1\n";
        const QByteArray notPrivate = "orva-control is not a folder of this user's alone";
        const QString nobody =
            "setpriv --reuid=nobody --regid=0 --clear-groups --inh-caps=+dac_override "
            "--ambient-caps=+dac_override socat"; // let through the folder
        QTest::newRow("byte above 0x7F")
            << "" << 0700 << panels + "\u00e9" << QByteArray("\xe9\r") << QByteArray("ACK\n");
        QTest::newRow("port error") << "" << 0700 << panels + "mode" << none
                                    << QByteArray("Operation valid only when the port is open");
        QTest::newRow("COM2 is not held")
            << "" << 0700 << "--com2 %1 --port COM2 " + panels + "mode" << none << answer;
        QTest::newRow("a panel that let go") // of COM1, while --send waits its turn
            << "COM2" << 0700 << "--com1 %1 --send mode" << QByteArray("CR0\r") << answer;
        QTest::newRow("group may enter") << "" << 0710 << panels + "mode" << none << notPrivate;
        QTest::newRow("others may enter") << "" << 0701 << panels + "mode" << none << notPrivate;
        QTest::newRow("another user, same group")
            << nobody << 0700 << R"({"name":"mode"})" << none << none;
        QTest::newRow("not JSON") << "socat" << 0700 << "CR0" << none << bad;
        QTest::newRow("too long") << "socat" << 0700 << QString(30000, 'x') << none << bad;
    }

    void throughAPanel()
    {
        QFETCH(QString, peer);
        if (peer.startsWith("setpriv") && ::getuid() != 0)
            QSKIP("making a peer of another user needs root");
        QFETCH(QByteArray, written);
        DeviceMap devices;
        const auto projector = SimulatedProjector::openAsPort1(devices);
        const QString other = devices.device(1);
        if (peer != "COM2") // which holds the projector
            devices.setDevice(1, "tcp://localhost:1");
        const QByteArray folder = QFile::encodeName(m_runtime.filePath("orva-control"));
        ::mkdir(folder.constData(), 0700);
        QFETCH(int, folderMode);
        ::chmod(folder.constData(), mode_t(folderMode));
        ClockedPanel rig;
        rig.port.failWrites = written.isEmpty();
        const PanelSocketServer sharing(rig.panel, devices);
        if (peer == "COM2")
            rig.panel.click("Command44"); // an exchange that never closes on this clock
        QFETCH(QString, arguments);
        auto program = std::make_unique<QProcess>();
        QStringList socat = peer.split(' ')
                            << "-"
                            << "UNIX-CONNECT:" + SharingSocket::path(devices.device(1));
        if (!peer.contains("socat"))
            program = start(arguments.replace("%1", other));
        else {
            program->setStandardErrorFile(QProcess::nullDevice()); // cut off, socat says so
            program->start(socat.takeFirst(), socat);
            program->write(arguments.toLatin1() + '\n');
        }
        if (peer == "COM2" && waitFor([&] { return rig.timer(5).isEnabled(); })) // it waits
            rig.panel.click("Option2");
        QByteArray line;
        waitFor([&] {
            const std::string written = rig.port.takeWritten();
            line += QByteArray::fromStdString(written);
            if (!written.empty())
                rig.port.receive("\x06");
            return program->state() == QProcess::NotRunning;
        });
        QCOMPARE(line, written);
        QFETCH(QByteArray, shown);
        const QByteArray output =
            program->readAllStandardOutput() + program->readAllStandardError();
        QVERIFY2(shown.isEmpty() ? output.isEmpty() : output.count(shown) == 1, output);
    }

    // A panel that starts leaves a live panel's socket for the same device alone, and takes
    // the name over from a socket that a panel left behind when it ended.
    void sharingSocketNames()
    {
        DeviceMap devices;
        const auto projector = SimulatedProjector::openAsPort1(devices);
        ::mkdir(QFile::encodeName(m_runtime.filePath("orva-control")).constData(), 0700);
        const QByteArray path = QFile::encodeName(SharingSocket::path(devices.device(1)));
        const int left = ::socket(AF_UNIX, SOCK_STREAM, 0); // bound, never listened, gone
        sockaddr_un address{AF_UNIX, {}};
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        QCOMPARE(::bind(left, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(left);
        const auto inode = [&] {
            struct stat file{};
            return ::stat(path.constData(), &file) == 0 ? file.st_ino : 0;
        };
        const auto leftInode = inode();

        ClockedPanel first, second;
        const PanelSocketServer live(first.panel, devices);
        const auto liveInode = inode();
        QVERIFY(liveInode != leftInode);
        const PanelSocketServer late(second.panel, devices);
        QCOMPARE(inode(), liveInode);
        QLocalSocket client;
        client.connectToServer(QFile::decodeName(path));
        QVERIFY(client.waitForConnected(1000));
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
            failedAt = outcome.error == "waited 30 s behind the panel's own exchanges"
                           ? int(rig.clock.now())
                           : failedAt;
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

    // A projector of many whose device a running panel holds (so that the command line could
    // not open it) is asked through that panel.
    void manyThroughPanel()
    {
        DeviceMap devices;
        const auto projector = SimulatedProjector::openAsPort1(devices);
        const auto panel = startPanel(devices.device(1));
        const QString path = m_runtime.filePath("config/orva-control/orva-control.conf");
        QDir().mkpath(QFileInfo(path).path());
        QFile settings(path);
        settings.open(QIODevice::WriteOnly | QIODevice::Truncate);
        settings.write("[projectors]\nheld=" + QFile::encodeName(devices.device(1)) + '\n');
        settings.close();
        QCOMPARE(finish(*start(QStringLiteral("--all --send mode"))), "held: Computer 1");
        panel->terminate();
        finish(*panel);
    }

    // A family's samples stand together under one HELP and TYPE, whatever the projectors'
    // order; a projector that did not answer has only what the poll itself knows.
    void metricsExposition()
    {
        std::vector<MetricsExposition::Poll> polls(2);
        polls[0] = {"hall-a", true, "on", 1250, {{"s1", 32.5}}, 2, "audio", 2.5, 1796655600.25};
        polls[1].name = "hall-b";
        polls[1].seconds = 0.5;
        polls[1].startedAt = 1796655600.25;
        const std::vector<std::string_view> states{"on", "standby"};
        QCOMPARE(MetricsExposition::text(polls, states), QByteArray(R"(# HELP orva_projector_up Whether the projector answered the poll (1) or not (0).
# TYPE orva_projector_up gauge
orva_projector_up{projector="hall-a"} 1
orva_projector_up{projector="hall-b"} 0
# HELP orva_projector_power_state The projector's power state: 1 for the state it reported, 0 for the others.
# TYPE orva_projector_power_state gauge
orva_projector_power_state{projector="hall-a",state="on"} 1
orva_projector_power_state{projector="hall-a",state="standby"} 0
# HELP orva_projector_lamp_time_seconds The lamp time the projector counts (whole hours), in seconds.
# TYPE orva_projector_lamp_time_seconds gauge
orva_projector_lamp_time_seconds{projector="hall-a"} 4500000
# HELP orva_projector_temperature_celsius The projector's temperature readings S1, S2 and S3, in degrees Celsius.
# TYPE orva_projector_temperature_celsius gauge
orva_projector_temperature_celsius{projector="hall-a",sensor="s1"} 32.5
# HELP orva_projector_lamps_lit How many of the projector's lamps are lit.
# TYPE orva_projector_lamps_lit gauge
orva_projector_lamps_lit{projector="hall-a"} 2
# HELP orva_projector_muted Whether the projector's picture (video) and sound (audio) are muted (1) or not (0).
# TYPE orva_projector_muted gauge
orva_projector_muted{projector="hall-a",mute="video"} 0
orva_projector_muted{projector="hall-a",mute="audio"} 1
# HELP orva_projector_poll_duration_seconds How long the poll of the projector took.
# TYPE orva_projector_poll_duration_seconds gauge
orva_projector_poll_duration_seconds{projector="hall-a"} 2.5
orva_projector_poll_duration_seconds{projector="hall-b"} 0.5
# HELP orva_projector_poll_timestamp_seconds When the poll of the projector started, in seconds since the Unix epoch.
# TYPE orva_projector_poll_timestamp_seconds gauge
orva_projector_poll_timestamp_seconds{projector="hall-a"} 1796655600.25
orva_projector_poll_timestamp_seconds{projector="hall-b"} 1796655600.25
)"));
    }

private:
    QTemporaryDir m_runtime; // the panel's socket directory, private to this test
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
