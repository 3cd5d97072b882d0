// The entry of orva-control's window module, which main() looks up by this name.

#include "panelprogram.h"

extern "C" Q_DECL_EXPORT int orvaRunPanel(int *argc, char **argv, const LaunchOptions *options)
{
    return runPanelProgram(*argc, argv, *options);
}
