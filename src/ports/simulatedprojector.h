#pragma once

#include "projectormodel.h"
#include "receivedlines.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>

class DeviceMap;

class QSocketNotifier;

// A projector on a pseudo-terminal: the program under test opens devicePath() as its serial
// port and talks to the ProjectorModel behind it. It runs on the thread's event loop.
//
// For tests it can misbehave: stay silent, answer late, answer one byte at a time, put
// garbage before each answer, or hang up.
class SimulatedProjector : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kPieceGap{20}; // between bytes of a reply in pieces
    static const QByteArray kGarbage;

    explicit SimulatedProjector(QObject *parent = nullptr);
    ~SimulatedProjector() override;

    // Creates the pseudo-terminal. False, with errorString(), when the system refuses one.
    bool open();
    // One that `devices` maps to port 1 (--simulate); nothing, with the reason on stderr,
    // when the system refuses a pseudo-terminal.
    static std::unique_ptr<SimulatedProjector> openAsPort1(DeviceMap &devices);
    QString errorString() const { return m_errorString; }
    QString devicePath() const { return m_devicePath; }

    // The baud rate the program at the other end has set on the line; 0 when not known.
    int lineSpeed() const;

    void setSilent(bool silent) { m_silent = silent; }
    void setReplyDelay(std::chrono::milliseconds delay) { m_replyDelay = delay; }
    void setReplyInPieces(bool inPieces) { m_replyInPieces = inPieces; }
    void setGarbage(bool garbage) { m_garbage = garbage; }

    // Puts bytes on the line at once, unasked.
    void send(const QByteArray &bytes);
    // Closes the line from this end, as when a cable is pulled or an adapter unplugged.
    void hangUp();

signals:
    void bytesReceived(const QByteArray &bytes);
    void answered(const QByteArray &line, const QByteArray &reply);

private:
    void readLine();
    void answer(const QByteArray &line);
    void queueReply(const QByteArray &reply);
    void writeNextPiece();
    void closeTerminal();

    ProjectorModel m_model;
    QElapsedTimer m_clock;
    int m_master = -1;
    int m_slave = -1; // held open, so the line stays up between the other end's opens
    QSocketNotifier *m_notifier = nullptr;
    QString m_devicePath;
    QString m_errorString;
    ReceivedLines m_lines;
    std::deque<QByteArray> m_pieces;
    QTimer m_pacer;
    bool m_silent = false;
    std::chrono::milliseconds m_replyDelay{0};
    bool m_replyInPieces = false;
    bool m_garbage = false;
};
