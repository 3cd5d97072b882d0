#pragma once

#include "controlpanel.h"
#include "fakeserialport.h"
#include "linkcore.h"
#include "paneldisplay.h"
#include "porterror.h"
#include "stdstringprinting.h"
#include "virtualclock.h"

#include <string>
#include <utility>
#include <vector>

// Everything behind the window on a port (a fake one unless a test names another) and a
// virtual clock, loaded on a 1920 x 1080 screen unless told not to. Records the errors the
// panel reports and when it ends the program.
template <typename Port = FakeSerialPort> struct PanelRig {
    template <typename... PortArguments>
    explicit PanelRig(bool loaded = true, PortArguments &&...arguments)
        : port(std::forward<PortArguments>(arguments)...)
    {
        if (loaded)
            panel.load(28800, 16200);
    }

    std::string txd() { return panel.display().label11.get(); }
    std::string rxd() { return panel.display().label12.get(); }
    std::string status() { return panel.display().label22.get(); }
    Timer &timer(int number) { return *timers.at(number - 1); }

    VirtualClock clock;
    Port port;
    std::vector<Timer *> timers; // Timer1 to Timer4, in the order the panel makes them
    std::vector<PortError> errors;
    int endings = 0;
    std::size_t errorsWhenEnded = 0;
    ControlPanel panel{port,
                       [this] {
                           auto timer = clock.createTimer();
                           timers.push_back(timer.get());
                           return timer;
                       },
                       [this](const PortError &error) { errors.push_back(error); },
                       [this] { errorsWhenEnded = errors.size(), ++endings; }};
};
