#include "projectorsession.h"

#include "commandlinesend.h"
#include "controlpanel.h"
#include "outcomejson.h"
#include "panelsocketserver.h"
#include "portsetup.h"
#include "qtserialport.h"
#include "qttimer.h"
#include "sharingsocket.h"
#include "trafficlogging.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>

#include <utility>

namespace {

const QJsonObject kNotHeld{{QStringLiteral("outcome"), QStringLiteral("not-held")}};

} // namespace

ProjectorSession::ProjectorSession(const QString &device, int speed, QIODevice *log)
    : m_speed(speed), m_log(log)
{
    m_devices.setDevice(1, device);
}

ProjectorSession::~ProjectorSession() = default;

ProjectorSession::Asker ProjectorSession::inTurn(std::vector<CommandRequest> requests)
{
    return [requests = std::move(requests), asked = std::size_t(0)](
               const ExchangeOutcome *last) mutable -> std::optional<Ask> {
        using Result = ExchangeOutcome::Result;
        if (asked == requests.size() ||
            (last && (last->result == Result::NoReply || last->result == Result::PortFailed)))
            return std::nullopt;
        return Ask{requests[asked++]};
    };
}

void ProjectorSession::start(Asker asker, Done done)
{
    m_asker = std::move(asker);
    m_done = std::move(done);
    QTimer::singleShot(0, &m_context, [this] { next(); });
}

void ProjectorSession::next()
{
    const std::optional<Ask> ask = m_asker(m_outcomes.empty() ? nullptr : &m_outcomes.back());
    if (!ask) {
        m_panel.reset(); // the port closes now, not when the whole run ends
        m_traffic.reset();
        m_port.reset();
        m_done(m_outcomes);
        return;
    }
    m_asking = ask->request;
    QTimer::singleShot(ask->afterMs, &m_context, [this] {
        if (m_noPanel)
            askDirect(m_asking);
        else
            askPanel(m_asking);
    });
}

void ProjectorSession::askPanel(const CommandRequest &request)
{
    const QString path = SharingSocket::path(m_devices.device(1));
    if (path.isEmpty()) { // no private runtime directory: nothing is shared
        m_noPanel = true;
        askDirect(request);
        return;
    }
    m_panelSocket = std::make_unique<QLocalSocket>();
    QLocalSocket &socket = *m_panelSocket;
    const auto answerLine = [&socket] { return QJsonDocument::fromJson(socket.readLine()).object(); };
    QObject::connect(&socket, &QLocalSocket::connected, &socket,
                     [&socket, line = OutcomeJson::requestLine(request)] { socket.write(line); });
    QObject::connect(&socket, &QLocalSocket::readyRead, &socket, [this, &socket, answerLine] {
        if (socket.canReadLine())
            panelAnswered(answerLine());
    });
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &socket,
                     [this, &socket, answerLine](QLocalSocket::LocalSocketError error) {
                         if (socket.canReadLine())
                             panelAnswered(answerLine());
                         else if (error == QLocalSocket::ServerNotFoundError ||
                                  error == QLocalSocket::ConnectionRefusedError)
                             panelAnswered(kNotHeld); // nobody listens: no panel holds it
                         else
                             panelAnswered({});
                     });
    QTimer::singleShot(CommandLineSend::kPanelAnswerMs, &socket, [this] { panelAnswered({}); });
    socket.connectToServer(path);
}

// An empty `answer`: the panel did not answer.
void ProjectorSession::panelAnswered(const QJsonObject &answer)
{
    if (!m_panelSocket)
        return; // settled already
    QObject::disconnect(m_panelSocket.get(), nullptr, nullptr, nullptr);
    m_panelSocket.release()->deleteLater(); // inside its own signal
    const CommandRequest &request = m_asking;
    if (answer == kNotHeld) {
        m_noPanel = true;
        askDirect(request);
        return;
    }
    if (const std::optional<ExchangeOutcome> outcome = OutcomeJson::fromJson(answer)) {
        finished(*outcome);
        return;
    }
    finished(portFailure(request.command, {},
                         QStringLiteral("the panel holding %1 did not answer %2")
                             .arg(m_devices.device(1),
                                  answer.value(QStringLiteral("error")).toString())
                             .toStdString()));
}

void ProjectorSession::askDirect(const CommandRequest &request)
{
    if (!m_panel) {
        m_port = std::make_unique<QtSerialPort>(m_devices);
        m_traffic = std::make_unique<TrafficLogging>(*m_port, m_log, m_devices);
        m_panel = std::make_unique<ControlPanel>(
            m_traffic->port(), [](ControlPanel::TimerUse) { return std::make_unique<QtTimer>(); },
            [this](const PortError &error) {
                if (!m_portFailure)
                    m_portFailure = error.warning();
            },
            [] {});
        m_port->setOnConnectionLost([this](const PortError &error) { m_panel->reportError(error); });
        m_traffic->watch(*m_panel);
        m_panel->portSetup().chooseSpeed(m_speed);
        m_panel->portSetup().chooseComPort(1); // waits for a network port's connection
    }
    if (m_portFailure) {
        finished(portFailure(request.command, {}, *m_portFailure));
        return;
    }
    m_panel->request(request, [this](const ExchangeOutcome &outcome) { finished(outcome); });
}

void ProjectorSession::finished(const ExchangeOutcome &outcome)
{
    m_outcomes.push_back(outcome);
    // From the event loop: the next request must not start inside the panel's report of this one.
    QTimer::singleShot(0, &m_context, [this] { next(); });
}
