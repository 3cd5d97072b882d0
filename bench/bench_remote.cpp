// A click to the bytes on the far pseudo-terminal when the projector is behind a serial server
// on loopback: the panel on ser2net's raw TCP port (--com1 tcp://...), the panel on socat's
// pseudo-terminal joined to a port of the same ser2net (the recipe for programs that need a
// device file), and the panel on a pseudo-terminal directly. The three windows are open at
// once and take their clicks in turns, in blocks, in the same run. Then a port on a host that
// never answers: how long the warning takes, and the longest the event loop stood still
// meanwhile. Offscreen; prints the results as CSV lines (ResultRow) on standard output.
//
// Usage: bench_remote   (ser2net and socat on the PATH)
#include "benchclock.h"
#include "fdreader.h"
#include "form1.h"
#include "guithread.h"
#include "porterror.h"
#include "ptypair.h"
#include "qtserialport.h"
#include "resultrow.h"
#include "stallprobe.h"
#include "windowsystemmouse.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{

constexpr int kBlocks = 10;
constexpr int kClicksPerBlock = 30;
constexpr std::string_view kPowerOn = "C00\r"; // what Command17 sends

// One way from the panel to the far pseudo-terminal, with a window of its own.
struct Route {
    PtyPair far;
    QString com1; // what the panel opens
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<Form1> form;
    Samples clicks;
};

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// Sleeps in steps until `ready`, for at most ten seconds; exits the program on a failure.
void awaitOrExit(const std::function<bool()> &ready, const char *what)
{
    for (int tries = 0; !ready(); ++tries) {
        if (tries == 1000) {
            std::fprintf(stderr, "bench_remote: %s\n", what);
            std::exit(EXIT_FAILURE);
        }
        sleepMs(10);
    }
}

// ser2net serving `direct` on `rawPort` and `forSocat` on `socatPort`, both raw TCP.
void startSer2net(QProcess &process, const QTemporaryDir &directory, const Route &direct,
                  quint16 rawPort, const Route &forSocat, quint16 socatPort)
{
    QFile config(directory.filePath("ser2net.yaml"));
    config.open(QIODevice::WriteOnly);
    for (const auto &[route, port] : {std::pair{&direct, rawPort}, {&forSocat, socatPort}}) {
        config.write(QStringLiteral("connection: &c%1\n  accepter: tcp,127.0.0.1,%1\n"
                                    "  connector: serialdev,%2,19200n81,local\n")
                         .arg(port)
                         .arg(route->far.slavePath())
                         .toUtf8());
    }
    config.close();
    const QString pidFile = directory.filePath("ser2net.pid");
    process.start("ser2net", {"-n", "-u", "-c", config.fileName(), "-P", pidFile});
    awaitOrExit([&] { return QFile::exists(pidFile); }, "ser2net did not start");
}

void clickBlock(Route &route, WindowSystemMouse &mouse, std::mt19937 &random)
{
    QWidget *button = nullptr;
    onGuiThread([&] { button = route.form->findChild<QWidget *>(QStringLiteral("Command17")); });
    mouse.aim(button);
    FdReader device(route.far.master());
    for (int i = 0; i < kClicksPerBlock; ++i) {
        device.clear();
        mouse.press();
        sleepMs(3 + random() % 3);
        const std::int64_t released = mouse.release(); // a button clicks on its release
        if (device.waitFor(kPowerOn.size(), 1s))
            route.clicks.add(nsToMs(device.timeOfByte(kPowerOn.size()) - released));
        sleepMs(10 + random() % 10);
    }
}

ResultRow row(const std::string &figure, const Route &route, const std::string &baseline,
              const Route &beside)
{
    ResultRow result;
    result.figure = "click Command17 to 4 bytes on the far pty through " + figure;
    result.platform = "offscreen";
    result.unit = "ms";
    result.measured = route.clicks;
    result.baseline = baseline;
    result.baselineSamples = beside.clicks;
    return result;
}

// A loopback listener whose queue is full, so that the kernel drops every further SYN to it,
// as a host behind a dead link would; what to connect to, while `sockets` keeps it so.
QString silentHost(std::vector<int> &sockets)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ::bind(listener, reinterpret_cast<sockaddr *>(&address), size);
    ::listen(listener, 0);
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size);
    sockets.push_back(listener);
    for (int i = 0; i < 2; ++i) { // what a queue of none takes: one connection, and one more
        sockets.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
        ::connect(sockets.back(), reinterpret_cast<sockaddr *>(&address), size);
    }
    sleepMs(100); // the handshakes of the two
    return QStringLiteral("tcp://127.0.0.1:%1").arg(ntohs(address.sin_port));
}

// Opening a port on the silent host, with the window shown: the time to the failure and the
// gaps of a 1 ms probe timer meanwhile.
std::pair<ResultRow, ResultRow> connectToSilentHost()
{
    std::vector<int> sockets;
    DeviceMap devices;
    devices.setDevice(1, silentHost(sockets));
    devices.setDevice(2, devices.device(1));
    QtSerialPort port(devices);
    Form1 form(port);
    form.show();
    StallProbe probe;
    Samples failedAfter;
    probe.start();
    const std::int64_t start = monotonicNs();
    try {
        port.open();
    } catch (const PortError &) {
        failedAfter.add(nsToMs(monotonicNs() - start));
    }
    ResultRow gaps, wait;
    gaps.measured = probe.stop();
    for (const int fd : sockets)
        ::close(fd);
    gaps.figure = "connecting to a silent host: gaps of a 1 ms probe timer (max = longest stall)";
    wait.figure = "connecting to a silent host: open to the failure";
    gaps.platform = wait.platform = "offscreen";
    gaps.unit = wait.unit = "ms";
    gaps.goal = "max < 50 ms";
    gaps.met = gaps.measured.max() < 50;
    wait.measured = failedAfter;
    wait.goal = "< 5.1 s: 5 s and a turn of the event loop";
    wait.met = failedAfter.count() == 1 && failedAfter.median() < 5100;
    return {gaps, wait};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Route tcp, socat, direct;
    const QTemporaryDir directory;
    const quint16 rawPort = freePort(), socatPort = freePort();
    QProcess ser2net, socatProcess;
    startSer2net(ser2net, directory, tcp, rawPort, socat, socatPort);
    const QString link = directory.filePath("projector");
    socatProcess.start("socat", {"pty,link=" + link + ",raw,echo=0",
                                 QStringLiteral("tcp:127.0.0.1:%1").arg(socatPort)});
    awaitOrExit([&] { return QFile::exists(link); }, "socat made no pseudo-terminal");
    tcp.com1 = QStringLiteral("tcp://127.0.0.1:%1").arg(rawPort);
    socat.com1 = link;
    direct.com1 = direct.far.slavePath();

    Route *const routes[] = {&tcp, &socat, &direct};
    for (Route *route : routes) {
        DeviceMap devices;
        devices.setDevice(1, route->com1);
        route->port = std::make_unique<QtSerialPort>(devices);
        route->form = std::make_unique<Form1>(*route->port);
        route->form->load();
        route->form->show();
        if (!route->port->isOpen()) {
            std::fprintf(stderr, "bench_remote: %s did not open\n", qPrintable(route->com1));
            return EXIT_FAILURE;
        }
    }

    std::thread script([&] {
        sleepMs(500); // first paints and font loading are start-up, not use
        WindowSystemMouse mouse;
        std::mt19937 random{20261207};
        for (int block = 0; block < kBlocks; ++block)
            for (Route *route : routes)
                clickBlock(*route, mouse, random);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int status = QApplication::exec();
    script.join();
    ser2net.close();
    socatProcess.close();

    ResultRow overTcp = row("ser2net (tcp://)", tcp, "the same through socat's pty", socat);
    overTcp.goal = "median <= baseline";
    overTcp.met = tcp.clicks.median() <= socat.clicks.median();
    const ResultRow overSocat = row("socat's pty and ser2net", socat, "a direct pty", direct);
    const auto [gaps, wait] = connectToSilentHost();
    for (const ResultRow &result : {overTcp, overSocat, gaps, wait})
        std::printf("%s\n", result.csv().c_str());
    return status;
}
