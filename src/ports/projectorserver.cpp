#include "projectorserver.h"

#include "receivedlines.h"

#include <QTcpSocket>

#include <memory>

ProjectorServer::ProjectorServer(QObject *parent) : QObject(parent)
{
    m_clock.start();
    connect(&m_server, &QTcpServer::newConnection, this, &ProjectorServer::accept);
}

bool ProjectorServer::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void ProjectorServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto lines = std::make_shared<ReceivedLines>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, lines] {
            for (const std::string &line : lines->add(socket->readAll().toStdString())) {
                const std::string reply =
                    m_model.answer(line, std::chrono::milliseconds(m_clock.elapsed()));
                socket->write(reply.data(), qint64(reply.size()));
                emit answered(QByteArray::fromStdString(line), QByteArray::fromStdString(reply));
            }
        });
    }
}
