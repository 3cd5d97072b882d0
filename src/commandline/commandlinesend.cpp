#include "commandlinesend.h"

#include "commandnames.h"
#include "controlpanel.h"
#include "linebytes.h"
#include "outcomejson.h"
#include "panelsocketserver.h"
#include "portsetup.h"
#include "powerswitch.h"
#include "qtserialport.h"
#include "qttimer.h"
#include "requestqueue.h"
#include "simulatedprojector.h"
#include "trafficlogging.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTextStream>
#include <QTimer>

#include <utility>

namespace
{

QJsonObject asJson(const CommandRequest &request)
{
    if (request.controlName.empty())
        return {{QStringLiteral("text"), QString::fromLatin1(request.command)}};
    return {{QStringLiteral("name"), QString::fromStdString(request.command)}};
}

// Why the exit status is not 0, in one line: in the journal of a failed unit it is the trace.
QString failure(const ExchangeOutcome &outcome)
{
    switch (outcome.result) {
    case ExchangeOutcome::Result::Reply:
        return {};
    case ExchangeOutcome::Result::NoReply:
        return QStringLiteral("no reply came within the wait");
    case ExchangeOutcome::Result::Undecoded:
        return QStringLiteral("the reply matches none of the status texts of %1")
            .arg(QString::fromStdString(outcome.command));
    case ExchangeOutcome::Result::Refused: // RXD shows a NAK as "?"
        return QStringLiteral("the projector refused the command (NAK)");
    case ExchangeOutcome::Result::PortFailed:
        break;
    }
    return QString::fromStdString(outcome.error);
}

} // namespace

CommandLineSend::CommandLineSend(LaunchOptions options) : m_options(std::move(options)) {}

int CommandLineSend::run()
{
    if (m_options.listCommands)
        return listCommands();
    DeviceMap devices = m_options.devices;
    std::unique_ptr<SimulatedProjector> projector;
    if (m_options.simulate && !(projector = SimulatedProjector::openAsPort1(devices)))
        return exitStatus(ExchangeOutcome::Result::PortFailed);
    if (m_options.power)
        return switchPower(devices);
    QElapsedTimer clock;
    clock.start();
    const ExchangeOutcome outcome = exchange(request(), devices);
    return print(outcome, clock.elapsed()); // read after the exchange, not beside it
}

int CommandLineSend::switchPower(const DeviceMap &devices) const
{
    PowerSwitch power(*m_options.power);
    PowerSwitch::Step step = power.start();
    while (!step.command.empty()) {
        if (step.afterMs > 0) {
            QEventLoop pause;
            QTimer::singleShot(step.afterMs, &pause, &QEventLoop::quit);
            pause.exec();
        }
        const CommandName *name = findCommandName(step.command);
        step = power.next(exchange({name->name, std::string(name->controlName)}, devices));
    }
    QTextStream(step.exitStatus == 0 ? stdout : stderr)
        << (step.exitStatus == 0 ? "" : "orva-control: ") << QString::fromStdString(step.said)
        << '\n';
    return step.exitStatus;
}

ExchangeOutcome CommandLineSend::exchange(const CommandRequest &request,
                                          const DeviceMap &devices) const
{
    std::optional<ExchangeOutcome> shared;
    if (!m_options.simulate)
        shared = throughPanel(request);
    return shared ? *shared : direct(request, devices);
}

CommandRequest CommandLineSend::request() const
{
    const std::string text = lineBytes(*m_options.send);
    if (const CommandName *name = m_options.raw ? nullptr : findCommandName(text))
        return {name->name, std::string(name->controlName)};
    return {text, {}};
}

std::optional<ExchangeOutcome> CommandLineSend::throughPanel(const CommandRequest &request) const
{
    const QString device = m_options.devices.device(m_options.port);
    const QString path = PanelSocketServer::socketPath(device);
    if (path.isEmpty())
        return std::nullopt; // no private runtime directory: nothing is shared
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(1000))
        return std::nullopt; // no panel serves this device
    socket.write(QJsonDocument(asJson(request)).toJson(QJsonDocument::Compact) + '\n');
    const QDeadlineTimer deadline(kPanelAnswerMs);
    while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    const QJsonObject answer = QJsonDocument::fromJson(socket.readLine()).object();
    if (answer.value(QStringLiteral("outcome")) == QLatin1String("not-held"))
        return std::nullopt;
    if (const std::optional<ExchangeOutcome> outcome = OutcomeJson::fromJson(answer))
        return outcome;
    const QString why = answer.value(QStringLiteral("error")).toString();
    return portFailure(
        request.command, {},
        QStringLiteral("the panel holding %1 did not answer %2").arg(device, why).toStdString());
}

ExchangeOutcome CommandLineSend::direct(const CommandRequest &request,
                                        const DeviceMap &devices) const
{
    QtSerialPort port(devices);
    TrafficLogging traffic(port, m_options.log.get(), devices);
    std::optional<PortError> failure;
    ControlPanel panel(
        traffic.port(),
        [](ControlPanel::TimerUse) { return std::make_unique<QtTimer>(); },
        [&failure](const PortError &error) {
            if (!failure)
                failure = error;
        },
        [] {});
    port.setOnConnectionLost([&panel](const PortError &error) { panel.reportError(error); });
    traffic.watch(panel);
    panel.portSetup().chooseSpeed(m_options.speed);
    panel.portSetup().chooseComPort(m_options.port);
    if (failure)
        return portFailure(request.command, {}, failure->warning());

    std::optional<ExchangeOutcome> outcome;
    QEventLoop loop;
    panel.request(request, [&](const ExchangeOutcome &done) {
        outcome = done;
        loop.quit();
    });
    if (!outcome)
        loop.exec();
    return *outcome;
}

int CommandLineSend::print(const ExchangeOutcome &outcome, qint64 elapsedMs) const
{
    QTextStream out(stdout);
    if (m_options.json) {
        QJsonObject object = OutcomeJson::toJson(outcome);
        object.insert(QStringLiteral("elapsed_ms"), elapsedMs);
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    } else if (outcome.result != ExchangeOutcome::Result::PortFailed) {
        const std::string &shown = outcome.status ? *outcome.status : outcome.rendered;
        out << QString::fromLatin1(shown).trimmed() << '\n';
    }
    out.flush();
    if (const QString why = failure(outcome); !why.isEmpty())
        QTextStream(stderr) << "orva-control: " << why << '\n';
    return exitStatus(outcome.result);
}

int CommandLineSend::listCommands()
{
    QTextStream out(stdout);
    for (const CommandName &name : commandNames())
        out << QString::fromStdString(name.name) << '\t' << QLatin1StringView(name.code) << '\n';
    return 0;
}
