#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>

class Form1;
class PanelLabel;

// Notes when the RXD monitor Label12 takes a new caption and when the window's repaint that
// drew it has finished (painted and handed to the platform). Times are CLOCK_MONOTONIC ns,
// 0 until it happens after reset(); they may be read from any thread.
class PanelProbe : public QObject
{
public:
    explicit PanelProbe(Form1 &form);

    void reset();
    std::int64_t captionSet() const { return m_captionSet; }
    std::int64_t painted() const { return m_painted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Form1 &m_form;
    PanelLabel *m_label12 = nullptr;
    bool m_label12Painted = false; // in the repaint now going on
    std::atomic<std::int64_t> m_captionSet{0};
    std::atomic<std::int64_t> m_painted{0};
};
