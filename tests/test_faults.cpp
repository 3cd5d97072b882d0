// The program under the faults of a lecture hall, on real pseudo-terminals: devices that hang
// up or vanish, ports that cannot be opened, a flood of hostile bytes, a huge command, and the
// window closed at awkward moments. Each scenario ends with the panel running and answering,
// its heap grown by less than 2 MiB, and the operator told once, in a warning box, where it
// failed.

#include "devicemap.h"
#include "form1.h"
#include "linkcore.h"
#include "monitorrendering.h"
#include "panellabel.h"
#include "panelstate.h"
#include "porterror.h"
#include "qtserialport.h"
#include "quitonsignal.h"
#include "simulatedprojector.h"
#include "virtualclock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <malloc.h>
#include <optional>
#include <pty.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

// Live heap bytes as AddressSanitizer counts them, when the program runs under it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace
{

// Bounds with room for a busy machine and AddressSanitizer. Events are timed in processor
// time of the thread. Receiving aims at 20 ms an event and takes about 1 ms (3 under ASan);
// a window that stops for half a second is frozen (a 100,000-character paste takes about
// 30 ms in Qt's line edit, 80 under ASan).
constexpr std::size_t kHeapGrowthLimit = 2 << 20;
constexpr qint64 kReceiveLimitNs = 100'000'000;
constexpr qint64 kFreezeLimitNs = 500'000'000;

std::size_t heapInUse()
{
    if (__sanitizer_get_current_allocated_bytes)
        return __sanitizer_get_current_allocated_bytes();
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;
}

qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Times every event the main loop hands out, so a scenario can tell how long the window was
// unable to react. Processor time of this thread is what the assertions use: a busy machine
// stretches wall time, not it.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (m_depth++ > 0) { // delivered inside another event: part of its time
            const bool done = QApplication::notify(receiver, event);
            --m_depth;
            return done;
        }
        QElapsedTimer wall;
        wall.start();
        const qint64 cpuStart = threadCpuNs();
        const bool done = QApplication::notify(receiver, event);
        m_longestCpuNs = std::max(m_longestCpuNs, threadCpuNs() - cpuStart);
        m_longestWallNs = std::max(m_longestWallNs, wall.nsecsElapsed());
        --m_depth;
        return done;
    }

    static TimedApplication &self() { return *static_cast<TimedApplication *>(instance()); }
    void restartTiming() { m_longestCpuNs = m_longestWallNs = 0; }
    qint64 longestCpuNs() const { return m_longestCpuNs; }
    qint64 longestWallNs() const { return m_longestWallNs; }

private:
    int m_depth = 0;
    qint64 m_longestCpuNs = 0;
    qint64 m_longestWallNs = 0;
};

// Runs the event loop until `done` holds. It blocks on events (the pseudo-terminal's, the
// port's), never sleeps; the deadline only ends a hang.
bool waitFor(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(20000);
    QTimer wake;
    wake.start(int(deadline.remainingTime()));
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// Delivers whatever is ready, as the loop would between two of the operator's moves: a port
// left open on a dead device would report again here.
void settle()
{
    for (int pass = 0; pass < 100; ++pass)
        QCoreApplication::processEvents();
}

// Every warning box the window shows: its text in order. Each box is closed as soon as it is
// up, after running `whileOpen` once if a scenario set it.
class WarningBoxes : public QObject
{
public:
    WarningBoxes() { qApp->installEventFilter(this); }

    QStringList texts;
    std::function<void()> whileOpen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (box && event->type() == QEvent::Show) {
            texts << box->text();
            QTimer::singleShot(0, box, [this, box] {
                if (whileOpen)
                    std::exchange(whileOpen, {})();
                box->button(QMessageBox::Ok)->click();
            });
        }
        return false;
    }
};

// The kernel's checks of an ordinary user for the steps in its scope: the thread drops its
// effective capabilities (root no longer passes file modes or a terminal's exclusive mode)
// and takes them back at the end. A user without capabilities is not affected.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser() : m_saved(syscall(SYS_capget, &m_header, m_capabilities) == 0)
    {
        __user_cap_data_struct none[2] = {m_capabilities[0], m_capabilities[1]};
        none[0].effective = none[1].effective = 0;
        if (m_saved)
            syscall(SYS_capset, &m_header, none);
    }
    ~AsOrdinaryUser()
    {
        if (m_saved)
            syscall(SYS_capset, &m_header, m_capabilities);
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_capabilities[2]{};
    bool m_saved = false;
};

// A pseudo-terminal whose far end the test writes itself, as fast as the panel reads.
struct Line {
    Line()
    {
        std::array<char, 128> name{};
        if (::openpty(&master, &slave, name.data(), nullptr, nullptr) != 0)
            qFatal("no pseudo-terminal");
        termios settings{};
        ::tcgetattr(slave, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(slave, TCSANOW, &settings);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name.data());
    }
    ~Line()
    {
        ::close(master);
        ::close(slave);
    }
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    // Puts all of `bytes` on the line, waiting for room while the panel reads.
    bool put(const QByteArray &bytes)
    {
        QSocketNotifier room(master, QSocketNotifier::Write);
        bool writable = true;
        QObject::connect(&room, &QSocketNotifier::activated, [&] { writable = true; });
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t count = ::write(master, bytes.constData() + done, bytes.size() - done);
            if (count > 0) {
                done += count;
                continue;
            }
            if (errno != EAGAIN)
                return false;
            writable = false;
            if (!waitFor([&] { return writable; }))
                return false;
        }
        return true;
    }

    int master = -1;
    int slave = -1; // held, so the line stays up while the panel opens and closes it
    QString path;
};

// The program as main() builds it: the port, the window on it and the loss report wired to
// the window. COM1 is a udev-style symlink to a simulated projector (or to another device);
// COM2 is given, or a path that does not exist. The window's timers run on a virtual clock
// unless a scenario wants the real ones.
struct Rig {
    struct Setup {
        QString com1Target = {}; // default: the simulated projector
        QString com2 = {};
        bool qtTimers = false;
    };

    Rig() : Rig(Setup{}) {}
    explicit Rig(const Setup &setup)
    {
        relink(setup.com1Target.isEmpty() ? projector->devicePath() : setup.com1Target);
        DeviceMap devices;
        devices.setDevice(1, com1);
        devices.setDevice(2, setup.com2.isEmpty() ? directory.filePath("missing") : setup.com2);
        port.emplace(devices);
        if (setup.qtTimers)
            form.emplace(*port);
        else
            form.emplace(*port, [this] { return clock.createTimer(); });
        port->setOnConnectionLost(
            [this](const PortError &error) { form->panel().reportError(error); });
        form->load();
        form->show();
        settle();
        heapAtStart = heapInUse();
    }

    std::size_t heapGrowth() const
    {
        const std::size_t heap = heapInUse();
        return heap > heapAtStart ? heap - heapAtStart : 0;
    }

    static std::unique_ptr<SimulatedProjector> openProjector()
    {
        auto projector = std::make_unique<SimulatedProjector>();
        if (!projector->open())
            qFatal("%s", qPrintable(projector->errorString()));
        return projector;
    }

    // The device behind COM1 goes and another takes its name, as an adapter plugged in again.
    void relink(const QString &target)
    {
        QFile::remove(com1);
        if (!QFile::link(target, com1))
            qFatal("cannot link %s", qPrintable(com1));
    }
    void replaceProjector()
    {
        projector = openProjector();
        relink(projector->devicePath());
    }

    // What main() does after the loop has ended.
    void endProgram()
    {
        form.reset();
        port.reset();
    }

    template <typename T = QWidget> T *control(const char *name) const
    {
        T *widget = form->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    QString label(const char *name) const { return control<PanelLabel>(name)->text(); }
    void click(const char *name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    void press(const char *name) { QTest::mousePress(control(name), Qt::LeftButton); }
    void release(const char *name) { QTest::mouseRelease(control(name), Qt::LeftButton); }
    PanelState &state() { return form->panel().state(); }

    // Waits until the port has closed on a lost device and the loss has been reported.
    bool waitForLoss()
    {
        return waitFor([this] { return !port->isOpen() && !boxes.texts.isEmpty(); });
    }

    // The end of every scenario: the window still reacts, and memory stayed bounded.
    void checkRunsOn()
    {
        settle();
        click("Command33");
        QVERIFY(control("Frame8")->isVisible());
        clock.advance(5000);
        QVERIFY2(heapGrowth() < kHeapGrowthLimit, qPrintable(QString::number(heapGrowth())));
    }

    // The one warning of a scenario, naming `where` and saying `what`.
    void checkToldOnce(const QString &where, const QString &what)
    {
        settle();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.front().contains(where + QStringLiteral(": ") + what),
                 qPrintable(boxes.texts.front()));
    }

    QTemporaryDir directory;
    std::unique_ptr<SimulatedProjector> projector = openProjector();
    QString com1 = directory.filePath(QStringLiteral("com1"));
    VirtualClock clock;
    std::optional<QtSerialPort> port;
    std::optional<Form1> form;
    WarningBoxes boxes;
    std::size_t heapAtStart = 0;
};

const QString kLost = QStringLiteral("Connection lost");

// Whether another program could take `device` now: the lock that Qt programs honour is free
// and the terminal is not in exclusive mode. Tried with a QSerialPort, which takes both.
bool freeForAnotherProgram(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    int exclusive = 1;
    ::ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    QSerialPort other;
    other.setPortName(device);
    return exclusive == 0 && other.open(QIODevice::ReadWrite);
}

bool printableOnly(const QString &text)
{
    return std::ranges::all_of(text, [](QChar c) {
        return (c >= QLatin1Char(' ') && c <= QLatin1Char('~')) || c == QChar(0x2026);
    });
}

// Hostile traffic: random bytes with runs of NUL and of 0x80-0xFF, markup and terminal escape
// sequences, from a fixed seed.
QByteArray hostileBytes(std::mt19937 &random, qsizetype size)
{
    static const QList<QByteArray> kPieces = {
        "<b>bold</b>",
        "<img src=x onerror=alert(1)>",
        "&amp;&#0;",
        "\x1b[2J\x1b[H",
        "\x1b]0;title\x07",
        "\x9b"
        "31m",
        "\x1bP+q\x1b\\",
        "%s%n%x",
        QByteArray(16, '\0'),
        QByteArray(16, '\xff'),
        "\r\n\x06\x15\x14",
    };
    QByteArray bytes;
    bytes.reserve(size + 64);
    while (bytes.size() < size) {
        const unsigned pick = random() % 4;
        if (pick == 0)
            bytes += kPieces[random() % kPieces.size()];
        else if (pick == 1)
            bytes += char(0x80 + random() % 0x80);
        else
            bytes += char(random() % 0x100);
    }
    bytes.truncate(size);
    return bytes;
}

enum class Moment { Idle, HoldLossFirst, HoldRepeatFirst, WaitProfile, BoxOpen };
enum class Holder { QtProgram, ExclusiveMode, NoPermission, RegularFile, DevNull };
enum class Ending { CloseDuringHold, WarningAsItCloses, CloseWithBoxOpen, SigtermWithBoxOpen };

} // namespace

Q_DECLARE_METATYPE(Moment)
Q_DECLARE_METATYPE(Holder)
Q_DECLARE_METATYPE(Ending)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void hangUp_data();
    void hangUp();
    void deviceComesBack();
    void portCannotBeOpened_data();
    void portCannotBeOpened();
    void speedChangeOnVanishedDevice_data();
    void speedChangeOnVanishedDevice();
    void floodOfHostileBytes();
    void hugeFreeCommand();
    void windowClosed_data();
    void windowClosed();
};

void TestFaults::hangUp_data()
{
    QTest::addColumn<Moment>("moment");
    QTest::newRow("idle") << Moment::Idle;
    QTest::newRow("5 ms hold, loss seen first") << Moment::HoldLossFirst;
    QTest::newRow("5 ms hold, repeat first") << Moment::HoldRepeatFirst;
    QTest::newRow("5000 ms wait profile") << Moment::WaitProfile;
    QTest::newRow("warning box open") << Moment::BoxOpen;
}

void TestFaults::hangUp()
{
    QFETCH(Moment, moment);
    Rig rig;
    switch (moment) {
    case Moment::Idle:
        rig.projector->hangUp();
        QVERIFY(rig.waitForLoss());
        break;
    case Moment::HoldLossFirst:
    case Moment::HoldRepeatFirst:
        rig.press("Command48"); // D.Zoom +: afterwards the arrows repeat every 5 ms
        rig.release("Command48");
        rig.press("Command5");
        rig.clock.advance(10);
        rig.projector->hangUp();
        if (moment == Moment::HoldLossFirst) {
            // Time passes while the box is up; a hold still running would repeat into it.
            rig.boxes.whileOpen = [&rig] { rig.clock.advance(20); };
            QVERIFY(rig.waitForLoss());
        } else {
            rig.clock.advance(5);
        }
        rig.clock.advance(50);
        rig.release("Command5");
        QCOMPARE(rig.state().heldAdjuster, 0);
        break;
    case Moment::WaitProfile:
        rig.projector->setSilent(true);
        rig.click("Command64"); // PC1 RGB: five seconds for the answer
        rig.clock.advance(1000);
        rig.projector->hangUp();
        QVERIFY(rig.waitForLoss());
        rig.clock.advance(4000);
        QCOMPARE(rig.label("Label12"), QString::fromLatin1(LinkCore::kNoReplyMark));
        rig.clock.advance(500);
        QCOMPARE(rig.label("Label11"), QString());
        break;
    case Moment::BoxOpen: {
        bool lostWhileOpen = false;
        rig.boxes.whileOpen = [&rig, &lostWhileOpen] {
            rig.projector->hangUp();
            lostWhileOpen = waitFor([&rig] { return !rig.port->isOpen(); });
        };
        rig.form->panel().reportError(PortError(11, "An earlier trouble"));
        QVERIFY(lostWhileOpen);
        QCOMPARE(rig.boxes.texts.takeFirst(), QStringLiteral("Error 11: An earlier trouble"));
        break;
    }
    }
    rig.checkToldOnce(rig.com1, kLost);
    QVERIFY(!rig.port->isOpen());
    rig.checkRunsOn();
}

void TestFaults::deviceComesBack()
{
    Rig rig;
    rig.projector->hangUp();
    QVERIFY(rig.waitForLoss());
    rig.projector.reset();
    QFile::remove(rig.com1); // unplugged: the symlink goes with the device

    rig.click("Command33");
    rig.click("Option1"); // still gone: a box saying so
    QCOMPARE(rig.boxes.texts.size(), 2);
    QVERIFY2(rig.boxes.texts.back().contains(rig.com1 + ": No such file or directory"),
             qPrintable(rig.boxes.texts.back()));

    rig.replaceProjector();
    rig.click("Command33");
    rig.click("Option1");
    QVERIFY(rig.port->isOpen());
    rig.click("Command44");
    QVERIFY(waitFor([&rig] { return rig.label("Label22") == QStringLiteral(" Stand by"); }));
    QCOMPARE(rig.boxes.texts.size(), 2);
    rig.checkRunsOn();
}

void TestFaults::portCannotBeOpened_data()
{
    QTest::addColumn<Holder>("holder");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("words");
    const QString inUse = QStringLiteral("In use by another program");
    const QString notSerial = QStringLiteral("Not a serial device");
    const int permission = QSerialPort::PermissionError;
    const int unsupported = QSerialPort::UnsupportedOperationError;
    QTest::newRow("held by a Qt program") << Holder::QtProgram << permission << inUse;
    QTest::newRow("held in exclusive mode") << Holder::ExclusiveMode << permission << inUse;
    QTest::newRow("no permission")
        << Holder::NoPermission << permission << QStringLiteral("Permission denied");
    QTest::newRow("regular file") << Holder::RegularFile << unsupported << notSerial;
    QTest::newRow("/dev/null") << Holder::DevNull << unsupported << notSerial;
}

// COM2 is chosen while another program holds it, or cannot be a serial port at all.
void TestFaults::portCannotBeOpened()
{
    QFETCH(Holder, holder);
    QFETCH(int, number);
    QFETCH(QString, words);
    QTemporaryDir directory;
    const std::unique_ptr<SimulatedProjector> other = Rig::openProjector();
    QSerialPort otherProgram;
    int exclusiveHolder = -1;
    QString com2 = other->devicePath();
    switch (holder) {
    case Holder::QtProgram:
        otherProgram.setPortName(com2);
        QVERIFY(otherProgram.open(QIODevice::ReadWrite));
        break;
    case Holder::ExclusiveMode:
        exclusiveHolder = ::open(QFile::encodeName(com2).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(::ioctl(exclusiveHolder, TIOCEXCL) == 0);
        break;
    case Holder::NoPermission:
        QVERIFY(::chmod(QFile::encodeName(com2).constData(), 0) == 0);
        break;
    case Holder::RegularFile: {
        com2 = directory.filePath(QStringLiteral("ttyUSB0"));
        QFile file(com2);
        QVERIFY(file.open(QIODevice::WriteOnly));
        break;
    }
    case Holder::DevNull:
        com2 = QStringLiteral("/dev/null");
        break;
    }
    Rig rig({.com2 = com2});

    rig.click("Command33");
    {
        const AsOrdinaryUser user;
        rig.click("Option2");
    }
    rig.checkToldOnce(com2, words);
    QVERIFY(rig.boxes.texts.front().startsWith(QStringLiteral("Error %1: ").arg(number)));
    QVERIFY(!rig.port->isOpen());

    rig.click("Option1");
    rig.click("Command44");
    QVERIFY(waitFor([&rig] { return rig.label("Label22") == QStringLiteral(" Stand by"); }));
    if (exclusiveHolder >= 0)
        ::close(exclusiveHolder);
    rig.checkRunsOn();
}

void TestFaults::speedChangeOnVanishedDevice_data()
{
    QTest::addColumn<bool>("lossSeenFirst");
    QTest::newRow("loss seen first") << true;
    QTest::newRow("speed change first") << false;
}

// The adapter is pulled and the operator picks 9600: told once, and the choice stands when
// the adapter is back.
void TestFaults::speedChangeOnVanishedDevice()
{
    QFETCH(bool, lossSeenFirst);
    Rig rig;
    rig.projector->hangUp();
    if (lossSeenFirst)
        QVERIFY(rig.waitForLoss());
    rig.click("Command33");
    rig.click("Option10");
    rig.checkToldOnce(rig.com1, kLost);
    QVERIFY(rig.control<QRadioButton>("Option10")->isChecked());

    rig.replaceProjector();
    rig.click("Command33");
    rig.click("Option1");
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.projector->lineSpeed(), 9600);
    rig.checkRunsOn();
}

// 1 MiB of hostile bytes in bursts, each after a status query whose wait then empties the
// receive buffer; a last burst overruns the buffer. The monitor shows exactly what arrived,
// in printable pieces.
void TestFaults::floodOfHostileBytes()
{
    Line line;
    Rig rig({.com1Target = line.path});
    std::mt19937 random(1404);
    auto &app = TimedApplication::self();
    app.restartTiming();
    std::size_t heapGrowth = 0; // the most after any burst
    const auto checkLabels = [&rig](const QByteArray &arrived) {
        QCOMPARE(rig.label("Label12"),
                 QString::fromLatin1(renderForMonitor(arrived.toStdString())));
        for (const char *name : {"Label11", "Label12", "Label22"}) {
            const auto *label = rig.control<PanelLabel>(name);
            QVERIFY2(printableOnly(label->text()) && printableOnly(label->shownText()), name);
        }
    };

    for (qsizetype sent = 0; sent < (1 << 20);) {
        const QByteArray burst = hostileBytes(random, 1 + random() % LinkCore::kReceiveBufferLimit);
        rig.click("Command44");
        QVERIFY(line.put(burst));
        QVERIFY(
            waitFor([&] { return rig.state().receiveBuffer.size() == std::size_t(burst.size()); }));
        checkLabels(burst);
        heapGrowth = std::max(heapGrowth, rig.heapGrowth());
        rig.clock.advance(1000);
        sent += burst.size();
    }
    const QByteArray overrun = hostileBytes(random, 2 * LinkCore::kReceiveBufferLimit);
    rig.click("Command44");
    QVERIFY(line.put(overrun));
    QVERIFY(
        waitFor([&] { return rig.state().receiveBuffer.size() == LinkCore::kReceiveBufferLimit; }));
    checkLabels(overrun.left(LinkCore::kReceiveBufferLimit));
    heapGrowth = std::max(heapGrowth, rig.heapGrowth());

    qInfo("longest event: %.1f ms processor time, %.1f ms wall time; heap growth %zu bytes",
          app.longestCpuNs() / 1e6, app.longestWallNs() / 1e6, heapGrowth);
    QVERIFY(heapGrowth < kHeapGrowthLimit);
    QVERIFY(app.longestCpuNs() < kReceiveLimitNs);
    QVERIFY(rig.boxes.texts.isEmpty());
    rig.checkRunsOn();
}

// 100,000 characters pasted into the command box and sent: all reach the line, in one
// command, and the window keeps reacting. The box keeps some memory for its undo history
// after the first; a second command of the size adds none of it.
void TestFaults::hugeFreeCommand()
{
    Rig rig;
    QSignalSpy onTheLine(rig.projector.get(), &SimulatedProjector::bytesReceived);
    QTest::keyClick(rig.control("Command17"), Qt::Key_J, Qt::ControlModifier);
    QTest::mouseDClick(rig.control("Image1"), Qt::LeftButton);
    auto *box = rig.control<QLineEdit>("Text1");
    QVERIFY(box->isVisible());
    QByteArray command;
    for (int i = 0; command.size() < 100000; ++i)
        command += char('!' + i % 90);
    auto &app = TimedApplication::self();

    for (int round = 0; round < 2; ++round) {
        onTheLine.clear();
        rig.heapAtStart = heapInUse();
        app.restartTiming();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(command));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text().size(), command.size());
        rig.click("Command95");
        QByteArray received;
        QVERIFY(waitFor([&] {
            received.clear();
            for (const QList<QVariant> &arguments : onTheLine)
                received += arguments.constFirst().toByteArray();
            return received.size() >= command.size() + 1;
        }));
        settle();
        qInfo("longest event: %.1f ms processor time, %.1f ms wall time; heap growth %zu bytes",
              app.longestCpuNs() / 1e6, app.longestWallNs() / 1e6, rig.heapGrowth());

        QCOMPARE(received, command + '\r');
        QCOMPARE(rig.label("Label11"),
                 QString::fromLatin1(renderForMonitor(command.toStdString() + '\r')));
        QVERIFY(app.longestCpuNs() < kFreezeLimitNs);
        rig.click("Command96");
        QGuiApplication::clipboard()->clear();
        rig.clock.advance(5000);
    }
    QVERIFY(rig.boxes.texts.isEmpty());
    rig.checkRunsOn();
}

void TestFaults::windowClosed_data()
{
    QTest::addColumn<Ending>("ending");
    QTest::addColumn<int>("boxes"); // shown before the window closed
    QTest::newRow("closed during a hold") << Ending::CloseDuringHold << 0;
    QTest::newRow("a warning as it closes") << Ending::WarningAsItCloses << 0;
    QTest::newRow("closed while a box is open") << Ending::CloseWithBoxOpen << 1;
    QTest::newRow("SIGTERM while a box is open") << Ending::SigtermWithBoxOpen << 1;
}

// The program's own loop runs, with its own timers and signal handling, until the window goes;
// then main()'s teardown. A warning that comes after the window has gone (a device lost at
// that moment, one queued behind an open box) is not shown. The device is free for another
// program at once.
void TestFaults::windowClosed()
{
    QFETCH(Ending, ending);
    const QuitOnSignal quitOnSignal;
    Rig rig({.qtTimers = true});
    bool heldWhileRunning = false;
    const auto closeNow = [&] {
        heldWhileRunning = !freeForAnotherProgram(rig.com1);
        if (ending != Ending::SigtermWithBoxOpen)
            rig.form->close();
        else if (std::raise(SIGTERM) == 0) // as at logout; handled by the loop of the box
            waitFor([&rig] { return !rig.form->isVisible(); });
    };
    const auto warn = [&rig](const char *text) {
        rig.form->panel().reportError(PortError(QSerialPort::ResourceError, text));
    };
    switch (ending) {
    case Ending::CloseDuringHold:
        rig.press("Command48");
        rig.release("Command48");
        rig.press("Command5"); // held: repeats every 5 ms; closed at the third repeat
        QObject::connect(rig.projector.get(), &SimulatedProjector::answered, rig.projector.get(),
                         [&, repeats = 0](const QByteArray &line) mutable {
                             if (line == "C3C" && ++repeats == 3)
                                 closeNow();
                         });
        break;
    case Ending::WarningAsItCloses:
        QTimer::singleShot(0, [&] {
            closeNow();
            warn("Lost as the window closed");
        });
        break;
    case Ending::CloseWithBoxOpen:
    case Ending::SigtermWithBoxOpen:
        rig.boxes.whileOpen = [&] {
            warn("Waiting behind the box");
            closeNow();
        };
        QTimer::singleShot(0, [&] { warn("Shown"); });
        break;
    }
    QTimer hangBreaker;
    hangBreaker.callOnTimeout([] { QCoreApplication::exit(1); });
    hangBreaker.start(20000);

    QCOMPARE(QApplication::exec(), 0);
    rig.endProgram();

    QTEST(int(rig.boxes.texts.size()), "boxes");
    QVERIFY(heldWhileRunning);
    QVERIFY(freeForAnotherProgram(rig.com1));
}

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_faults.moc"
