#include "serialportfacts.h"

#include <QDir>
#include <QSerialPortInfo>
#include <QTextStream>

namespace {

constexpr int kLabelWidth = 15; // "serial number: "

QString usbId(quint16 id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// The links in `folder` that resolve to `device`: names that stay when adapters are plugged in
// another order.
QStringList stableNames(const QString &device, const QString &folder)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    QStringList names;
    for (const QFileInfo &link : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        if (link.isSymLink() && !target.isEmpty() && link.canonicalFilePath() == target)
            names << link.filePath();
    return names;
}

} // namespace

QList<SerialPortFacts> SerialPortFacts::ofSystem()
{
    QList<SerialPortFacts> ports;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        const bool usb = port.hasVendorIdentifier() && port.hasProductIdentifier();
        ports.append({port.systemLocation(), port.description(), port.manufacturer(),
                      port.serialNumber(),
                      usb ? std::optional(port.vendorIdentifier()) : std::nullopt,
                      usb ? std::optional(port.productIdentifier()) : std::nullopt});
    }
    return ports;
}

void printSerialPorts(QTextStream &out, const QList<SerialPortFacts> &ports,
                      const QString &byIdFolder)
{
    if (ports.isEmpty()) {
        out << "No serial ports found on this system.\n";
        return;
    }
    const auto line = [&out](const char *label, const QString &value) {
        if (!value.isEmpty())
            out << "  " << QString::fromLatin1(label).leftJustified(kLabelWidth) << value << '\n';
    };
    for (const SerialPortFacts &port : ports) {
        if (&port != &ports.front())
            out << '\n';
        out << port.device << '\n';
        line("description:", port.description);
        line("manufacturer:", port.manufacturer);
        line("serial number:", port.serialNumber);
        if (port.vendorId && port.productId)
            line("USB ID:", usbId(*port.vendorId) + ':' + usbId(*port.productId));
        const QStringList names = stableNames(port.device, byIdFolder);
        for (const QString &name : names)
            line("stable name:", name);
        if (names.isEmpty())
            line("stable name:", QStringLiteral("none in ") + byIdFolder);
    }
}
