// A monitor label showing a reply: its text set and the label painted, on the CPU clock of the
// GUI thread, so that other processes on the machine barely move it. With no assistive
// technology listening a change of text builds no accessibility update, and the figure is
// what it was before the labels were made accessible (bench/results.md has the comparison).
// The baseline is the same with the accessibility layer active, as a screen reader makes it.
// Prints the result as a CSV line (ResultRow) on standard output.
#include "panellabel.h"
#include "resultrow.h"

#include <QApplication>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <time.h>

#include <cstdio>

namespace
{

constexpr int kSamples = 20000;

double threadCpuUs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

// Two replies in turn, as RXD shows them, each set and painted at once.
Samples showReplies(PanelLabel &label)
{
    Samples samples;
    for (int i = 0; i < kSamples; ++i) {
        const double start = threadCpuUs();
        label.setText(QString::fromLatin1(i % 2 ? " 0 0 CR " : " 8 0 CR "));
        label.repaint();
        samples.add(threadCpuUs() - start);
    }
    return samples;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PanelLabel label; // Label12's size and border
    label.resize(374, 20);
    label.setBorder(true);
    label.show();

    ResultRow result;
    result.figure = "Label12 text set and painted with no screen reader: GUI thread CPU time";
    result.platform = QGuiApplication::platformName().toStdString();
    result.unit = "us";
    result.measured = showReplies(label);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    result.baseline = "the same with a screen reader listening";
    result.baselineSamples = showReplies(label);
    std::printf("%s\n", result.csv().c_str());
}
