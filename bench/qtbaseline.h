#pragma once

#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>
#include <cstdint>

// What a minimal Qt program reaches, as the baseline of the panel's clicks and replies: a
// window with one QPushButton whose click write()s the four bytes of a command on a line (a
// pseudo-terminal's descriptor), and one QLabel whose text a QSocketNotifier sets to what the
// line gives. Notes, as PanelProbe does for the panel, when the text was set and when the window's
// repaint that drew it finished (CLOCK_MONOTONIC ns, 0 until it happens after reset(); they
// may be read from any thread). Lives on the GUI thread.
class QtBaseline : public QWidget
{
public:
    explicit QtBaseline(int line);

    QPushButton &button() { return m_button; }
    QLabel &label() { return m_label; }
    void reset();
    std::int64_t textSet() const { return m_textSet; }
    std::int64_t painted() const { return m_painted; }

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void read();

    int m_line;
    QPushButton m_button;
    QLabel m_label;
    QSocketNotifier m_notifier;
    bool m_labelPainted = false; // in the repaint now going on
    std::atomic<std::int64_t> m_textSet{0};
    std::atomic<std::int64_t> m_painted{0};
};
