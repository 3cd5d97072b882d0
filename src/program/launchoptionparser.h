#pragma once

#include "launchoptions.h"

#include <QStringList>

#include <optional>

// The command line as main() gets it, after QCoreApplication has taken its own options. An
// argument whose bytes are not UTF-8 cannot become text unharmed; when it names a file (a
// device behind a link with an 8-bit name), it becomes the name the system gives that file.
QStringList launchArguments(int argc, char **argv);

// `arguments` as launchArguments() gives them, the program's name first.
LaunchOptions parseLaunchOptions(const QStringList &arguments);

// Does what the options ask for instead of running the panel (help, version, the port list,
// saving the ports, a usage error) and returns the exit code; nothing when the panel, --send or
// --list-commands should run. A settings file it could not read is told here, once.
std::optional<int> runWithoutPanel(const LaunchOptions &options);
