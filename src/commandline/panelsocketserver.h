#pragma once

#include "devicemap.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class ControlPanel;
class QJsonObject;
class QLocalServer;
class QLocalSocket;
struct CommandRequest;

// Lets the command line reach the port while the panel holds it: a local socket for the device
// the panel has open (SharingSocket::path()), answered by the panel as if its own button had
// been clicked. It listens from the moment the panel opens a device and stops when the panel
// closes it, so each panel serves the device it holds and no other.
//
// The protocol is one line each way. The request is a JSON object of at most kLongestRequest
// bytes with either "name" (a command name) or "text" (at most kLongestText Latin-1
// characters); the answer is the outcome as OutcomeJson writes it, {"outcome": "not-held"}
// when the panel has let go of this device before the request's turn came, or
// {"outcome": "bad-request", "error": ...}.
//
// Only the user reaches it: the folder and the socket are the user's alone, and a peer of
// another user id is cut off before it is read. A socket left by a panel that crashed is
// replaced; one a live panel listens on is left to it. A socket that cannot be made is told
// once on standard error.
class PanelSocketServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kLongestText = 4096; // --send's own bound
    // Each character of the text takes at most six bytes of JSON ("\u001b").
    static constexpr qsizetype kLongestRequest = 6 * kLongestText + 64;
    static constexpr std::chrono::seconds kRequestTimeout{5}; // for the request line to come

    PanelSocketServer(ControlPanel &panel, const DeviceMap &devices, QObject *parent = nullptr);

private:
    void follow(int heldPort);
    void listenFor(int port);
    void accept();
    void readRequest(QLocalSocket *socket, int port);
    std::optional<CommandRequest> parseRequest(const QByteArray &line, QString &error) const;
    static void answer(QLocalSocket *socket, const QJsonObject &answer);

    ControlPanel &m_panel;
    DeviceMap m_devices;
    QLocalServer *m_server = nullptr; // while the panel holds a device
    int m_servedPort = 0;
    bool m_failureTold = false;
};
