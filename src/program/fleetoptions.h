#pragma once

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;
struct LaunchOptions;

// The options that name projectors of the settings file and run many at once: --projector,
// --all, --list-projectors, --metrics and --metrics-file.
struct FleetOptions {
    QList<QCommandLineOption> all() const;
    // Reads them into `options` (--send, --json and the devices read already), the named
    // projectors looked up in the settings file. An error text for a bad command line.
    QString read(const QCommandLineParser &parser, LaunchOptions &options) const;

    QCommandLineOption projector{
        QStringLiteral("projector"),
        QStringLiteral("Send to, switch or poll the projector NAME of the settings file's "
                       "[projectors] section; give it again for more."),
        QStringLiteral("NAME")};
    QCommandLineOption allProjectors{
        QStringLiteral("all"), QStringLiteral("Send to, switch or poll every projector there.")};
    QCommandLineOption listProjectors{
        QStringLiteral("list-projectors"),
        QStringLiteral("List the projectors of the settings file with their devices.")};
    QCommandLineOption metrics{
        QStringLiteral("metrics"),
        QStringLiteral("Ask the projectors their power state, lamp time, temperatures, lamps "
                       "and mutes, and print them for Prometheus.")};
    QCommandLineOption metricsFile{
        QStringLiteral("metrics-file"),
        QStringLiteral("With --metrics, write them to PATH (replaced whole) instead."),
        QStringLiteral("PATH")};
};

// --list-projectors: one line each, its name and its device.
int printProjectors(const LaunchOptions &options);
