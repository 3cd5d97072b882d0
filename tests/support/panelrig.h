#pragma once

#include "controlpanel.h"
#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "porterror.h"
#include "virtualclock.h"
#include "windowplacement.h"

#include <QTest>

#include <string>
#include <vector>

// QtTest prints a std::string it compares as <null>; this prints the text, bytes escaped.
template <> inline char *QTest::toString(const std::string &text)
{
    return toString(QByteArray::fromStdString(text));
}

// Everything behind the window on a fake port and a virtual clock, loaded on a 1920 x 1080
// screen unless told not to. Records the errors the panel reports and when it ends the program.
struct PanelRig {
    explicit PanelRig(bool loaded = true)
    {
        if (loaded)
            panel.load({0, 0, 28800, 16200});
    }

    std::string txd() { return panel.display().label11.get(); }
    std::string rxd() { return panel.display().label12.get(); }
    std::string status() { return panel.display().label22.get(); }
    Timer &timer(int number) { return *timers.at(number - 1); }
    // Timer1, Timer2 and Timer4 as "repeat/reply wait/display clear".
    QString intervals()
    {
        return QStringLiteral("%1/%2/%3")
            .arg(timer(1).interval())
            .arg(timer(2).interval())
            .arg(timer(4).interval());
    }

    VirtualClock clock;
    FakeSerialPort port;
    std::vector<Timer *> timers; // Timer1 to Timer4, in the order the panel makes them
    std::vector<PortError> errors;
    int endings = 0;
    std::size_t errorsWhenEnded = 0;
    ControlPanel panel{port,
                       [this](auto) {
                           auto timer = clock.createTimer();
                           timers.push_back(timer.get());
                           return timer;
                       },
                       [this](const PortError &error) { errors.push_back(error); },
                       [this] { errorsWhenEnded = errors.size(), ++endings; }};
};
