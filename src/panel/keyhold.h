#pragma once

#include <QKeyEvent>

// Tells a new press of a key from the key's own repeat while it is held. Qt marks the repeat
// where it can tell; some X servers (Xvfb) send it as a release and a press of the same
// moment, which Qt cannot always tell from the operator's. A press at the very moment of the
// key's last release is its repeat. A key event made by a program carries no moment (0) and
// is taken as it is marked.
class KeyHold
{
public:
    // Whether this press starts a new hold of the key.
    bool pressStarts(const QKeyEvent &event) const
    {
        return !event.isAutoRepeat() &&
               (event.timestamp() == 0 || event.timestamp() != m_releasedAt);
    }

    // Notes a release; whether it may be the first half of a repeat, so that the hold is over
    // only when no press of the same moment follows it.
    bool releaseMayRepeat(const QKeyEvent &event)
    {
        if (event.isAutoRepeat())
            return true;
        m_releasedAt = event.timestamp();
        return event.timestamp() != 0;
    }

private:
    quint64 m_releasedAt = 0;
};
