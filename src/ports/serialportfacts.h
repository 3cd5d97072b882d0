#pragma once

#include <QList>
#include <QString>

#include <optional>

class QTextStream;

// What the system knows of one serial port, as --list-ports prints it.
struct SerialPortFacts {
    QString device; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendorId; // USB vendor and product, for a USB adapter
    std::optional<quint16> productId;

    static QList<SerialPortFacts> ofSystem();
};

// One block a port: the device, what is known of it, and its stable names (the links in
// `byIdFolder` that resolve to the device); a plain sentence when there is no port.
void printSerialPorts(QTextStream &out, const QList<SerialPortFacts> &ports,
                      const QString &byIdFolder);
