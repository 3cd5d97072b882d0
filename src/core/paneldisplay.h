#pragma once

#include "observable.h"

#include <string>

// What the link core shows: the traffic monitor, the status line and the port group.
struct PanelDisplay {
    Observable<std::string> label11; // TXD: rendering of the command last sent
    Observable<std::string> label12; // RXD: rendering of the receive buffer
    Observable<std::string> label22; // status: the decoded reply
    Observable<bool> frame8Visible{false}; // the port group with the COM and speed choices
};
