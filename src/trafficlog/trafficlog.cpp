#include "trafficlog.h"

#include "controlpanel.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "porterror.h"
#include "serialport.h"

#include <QIODevice>
#include <QTextStream>

#include <cstdlib>
#include <utility>

namespace
{

// ISO 8601 with milliseconds and the offset, "+01:00" (Qt writes no offset for local time).
QString timestamp(const QDateTime &time)
{
    const int minutes = std::abs(time.offsetFromUtc()) / 60;
    return time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           (time.offsetFromUtc() < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

TrafficLog::TrafficLog(QIODevice &out, DeviceMap devices, Clock clock)
    : m_out(out), m_devices(std::move(devices)), m_clock(std::move(clock))
{
}

void TrafficLog::write(int port, std::string_view event, std::string_view text)
{
    if (m_stopped)
        return;
    QString line = QStringLiteral("%1 COM%2 %3 %4")
                       .arg(timestamp(m_clock()))
                       .arg(port)
                       .arg(m_devices.device(port), QLatin1String(event));
    const QString detail = QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed();
    if (!detail.isEmpty())
        line += u' ' + detail;
    const QByteArray bytes = (line + u'\n').toUtf8();
    if (m_out.write(bytes) == bytes.size())
        return;
    m_stopped = true;
    QTextStream(stderr) << "orva-control: the traffic log stops here, a line could not be "
                           "written: "
                        << m_out.errorString() << '\n';
}

void TrafficLog::watch(ControlPanel &panel, const SerialPort &port)
{
    panel.display().label22.observe([this, &port](const std::string &status) {
        if (!status.empty())
            write(port.commPort(), "STATUS", status);
    });
    panel.display().label12.observe([this, &port](const std::string &received) {
        if (received == LinkCore::kNoReplyMark)
            write(port.commPort(), "NO REPLY");
    });
    panel.setOnError([this, &port](const PortError &error) {
        write(port.commPort(), "ERROR", error.warning());
    });
}
