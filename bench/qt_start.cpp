// The least a Qt program on orva-control's libraries does: it loads Qt Core, Network and
// SerialPort, starts a QCoreApplication and exits. What is left of `--send status` above it is
// the program's own. A baseline of bench_send.
#include <QCoreApplication>
#include <QLocalSocket>
#include <QSerialPort>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Never true; it keeps the two libraries linked, as the program's own use of them does.
    if (argc > 99) {
        QLocalSocket socket;
        QSerialPort port;
    }
    return 0;
}
