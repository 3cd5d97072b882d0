#pragma once

#include "windowcontrols.h"

#include <QProcess>

// A server of tests/peers, in the foreground on loopback, printing first the port it listens
// on; stopped with the test. said(): all it has printed since.
struct PeerServer : QProcess {
    explicit PeerServer(const QStringList &arguments)
    {
        start(QStringLiteral(ORVA_PEERS "/") + arguments.front(), arguments.mid(1));
        waitFor([this] { return canReadLine(); });
        port = readLine().trimmed().toUShort();
    }
    ~PeerServer() override { kill(), waitForFinished(); }
    QString url(const QString &scheme = "rfc2217") const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port);
    }
    QByteArray said() { return peek(1 << 20); }

    quint16 port = 0;
};
