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
class SerialPort;
struct CommandRequest;

// Lets the command line reach the port while the panel holds it: a local socket per device in
// the user's runtime directory, answered by the panel as if its own button had been clicked.
//
// The protocol is one line each way. The request is a JSON object of at most kLongestRequest
// bytes with either "name" (a command name) or "text" (at most kLongestText Latin-1
// characters); the answer is the outcome as OutcomeJson writes it, {"outcome": "not-held"}
// when the panel does not have this device open, or {"outcome": "bad-request", "error": ...}.
//
// Only the user reaches it: the directory and the socket are the user's alone, and a peer of
// another user id is cut off before it is read. A socket left by a panel that crashed is
// replaced; one a live panel listens on is left to it.
class PanelSocketServer : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kLongestRequest = 1024;
    static constexpr qsizetype kLongestText = 256;
    static constexpr std::chrono::seconds kRequestTimeout{5}; // for the request line to come

    // The socket for `device` (symlinks resolved, so every name of a device meets at one
    // socket); empty when the runtime directory is missing or not the user's own.
    static QString socketPath(const QString &device);

    PanelSocketServer(ControlPanel &panel, const SerialPort &port, const DeviceMap &devices,
                      QObject *parent = nullptr);

    void listen(); // on each port's device

private:
    void listenFor(int port);
    void accept(QLocalServer *server, int port);
    void readRequest(QLocalSocket *socket, int port);
    std::optional<CommandRequest> parseRequest(const QByteArray &line, QString &error) const;
    static void answer(QLocalSocket *socket, const QJsonObject &answer);

    ControlPanel &m_panel;
    const SerialPort &m_port;
    DeviceMap m_devices;
};
