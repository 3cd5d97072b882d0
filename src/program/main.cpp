// orva-control: the control panel for ORVA PD71 / PD43 projectors.

#include "commandlinesend.h"
#include "fleetrun.h"
#include "launchoptionparser.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <dlfcn.h>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("orva-control"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVA_VERSION));
}

// The window is a module beside the program in the build, under the library folder when
// installed. Loaded only for the panel: the window system's libraries take longer to load
// than the command line takes to run.
QString panelModule()
{
    const QString here = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QString built = here + QStringLiteral("orva-control-panel.so");
    return QFileInfo::exists(built) ? built : here + QStringLiteral(ORVA_PANEL_MODULE);
}

int runPanelModule(const QString &path, int &argc, char **argv, const LaunchOptions &options)
{
    using RunPanel = int(int *, char **, const LaunchOptions *);
    void *module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    auto *run = module ? reinterpret_cast<RunPanel *>(dlsym(module, "orvaRunPanel")) : nullptr;
    if (!run) {
        QTextStream(stderr) << "orva-control: the window cannot be loaded: " << dlerror() << '\n';
        return EXIT_FAILURE;
    }
    return run(&argc, argv, &options);
}

} // namespace

int main(int argc, char *argv[])
{
    // The options are read before anything of the window system starts, so that help, the
    // lists, a mistake and --send work without a display too (over ssh, from cron).
    LaunchOptions options;
    QString module;
    {
        QCoreApplication app(argc, argv);
        nameApplication();
        options = parseLaunchOptions(launchArguments(argc, argv));
        if (const std::optional<int> exitCode = runWithoutPanel(options))
            return *exitCode;
        if (options.metrics || !options.projectors.isEmpty())
            return FleetRun(options).run();
        if (options.send || options.power || options.listCommands)
            return CommandLineSend(options).run();
        module = panelModule();
    }
    return runPanelModule(module, argc, argv, options); // the name and version stay set
}
