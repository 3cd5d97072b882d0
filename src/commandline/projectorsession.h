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
    struct Ask {
        CommandRequest request;
        int afterMs = 0; // how long to wait before asking it
    };
    // What to ask next, given the outcome of the last ask (none at the start); nothing: done.
    using Asker = std::function<std::optional<Ask>(const ExchangeOutcome *last)>;
    using Done = std::function<void(const std::vector<ExchangeOutcome> &)>;

    // `requests` in order, stopping at the first that got no reply or found the port failed:
    // the rest would only wait as long again.
    static Asker inTurn(std::vector<CommandRequest> requests);

    // `log`, when there is one, outlives the session.
    ProjectorSession(const QString &device, int speed, QIODevice *log);
    ~ProjectorSession();

    // Asks what `asker` says, until it says no more, and gives `done` the outcomes.
    void start(Asker asker, Done done);

private:
    void next();
    void askPanel(const CommandRequest &request);
    void panelAnswered(const QJsonObject &answer);
    void askDirect(const CommandRequest &request);
    void finished(const ExchangeOutcome &outcome);

    DeviceMap m_devices; // port 1 is the projector's device
    int m_speed;
    QIODevice *m_log;
    Asker m_asker;
    CommandRequest m_asking; // the request on its way
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
