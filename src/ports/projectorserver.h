#pragma once

#include "projectormodel.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>

class QHostAddress;

// A simulated projector behind a raw TCP server, as a serial server without RFC 2217 serves a
// projector's line: every byte passes unchanged both ways. Its state lasts across
// connections, as the projector's lasts across a panel's opens; each connection has its own
// line. Runs on the thread's event loop.
class ProjectorServer : public QObject
{
    Q_OBJECT

public:
    explicit ProjectorServer(QObject *parent = nullptr);

    // False, with errorString(), when the port cannot be had.
    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

signals:
    void answered(const QByteArray &line, const QByteArray &reply);

private:
    void accept();

    QTcpServer m_server;
    ProjectorModel m_model;
    QElapsedTimer m_clock;
};
