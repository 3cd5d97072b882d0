#include "fleetoptions.h"

#include "launchoptions.h"

#include <QCommandLineParser>
#include <QTextStream>

QList<QCommandLineOption> FleetOptions::all() const
{
    return {projector, allProjectors, listProjectors, metrics, metricsFile};
}

QString FleetOptions::read(const QCommandLineParser &parser, LaunchOptions &options) const
{
    options.metrics = parser.isSet(metrics) || parser.isSet(metricsFile);
    options.metricsFile = parser.value(metricsFile);
    options.listProjectors = parser.isSet(listProjectors);
    const bool named = parser.isSet(projector) || parser.isSet(allProjectors);
    if (named && parser.isSet(projector) == parser.isSet(allProjectors))
        return QStringLiteral("--projector and --all both choose the projectors.");
    if (named && !options.send && !options.metrics && !parser.isSet(QStringLiteral("power")))
        return QStringLiteral("--projector and --all go with --send, --power or --metrics.");
    if (options.metrics && (options.send || parser.isSet(QStringLiteral("json")) ||
                            parser.isSet(QStringLiteral("power"))))
        return QStringLiteral("--metrics goes without --send, --power and --json.");
    if (!named && !options.listProjectors)
        return {};
    ProjectorDirectory directory;
    if (const QString problem = directory.read(DeviceMap::settingsPath()); !problem.isEmpty())
        return problem;
    if (options.listProjectors) {
        options.projectors = directory.projectors();
        return {};
    }
    return directory.choose(parser.values(projector), parser.isSet(allProjectors),
                            options.projectors);
}

int printProjectors(const LaunchOptions &options)
{
    QTextStream out(stdout);
    for (const ProjectorDirectory::Projector &projector : options.projectors)
        out << projector.name << '\t' << projector.device << '\n';
    return 0;
}
