#pragma once

#include "devicemap.h"
#include "exchangeoutcome.h"
#include "requestqueue.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ControlPanel;
class QIODevice;
class QJsonObject;
class QLocalSocket;
class QtSerialPort;
class TrafficLogging;

// One projector of a run over many: its commands asked one after the other, each through a
// panel of this user that holds its device when there is one, otherwise on a port of its own
// opened once. Everything runs on the event loop, so any number of sessions run at once.
class ProjectorSession
{
public:
    using Done = std::function<void(const std::vector<ExchangeOutcome> &)>;

    // `log`, when there is one, outlives the session.
    ProjectorSession(const QString &device, int speed, QIODevice *log);
    ~ProjectorSession();

    // Asks `requests` in order and gives `done` their outcomes. It stops at the first that got
    // no reply or found the port failed: the rest would only wait as long again.
    void start(std::vector<CommandRequest> requests, Done done);

private:
    void next();
    void askPanel(const CommandRequest &request);
    void panelAnswered(const QJsonObject &answer);
    void askDirect(const CommandRequest &request);
    void finished(const ExchangeOutcome &outcome);

    DeviceMap m_devices; // port 1 is the projector's device
    int m_speed;
    QIODevice *m_log;
    std::vector<CommandRequest> m_requests;
    std::vector<ExchangeOutcome> m_outcomes;
    Done m_done;
    QObject m_context; // of the calls queued for the event loop
    std::unique_ptr<QLocalSocket> m_panelSocket;
    bool m_noPanel = false; // no panel holds the device: the port is this session's own
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<TrafficLogging> m_traffic;
    std::unique_ptr<ControlPanel> m_panel; // the panel's exchanges, without a window
    std::optional<std::string> m_portFailure; // the warning of a port that did not open
};
