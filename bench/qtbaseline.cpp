#include "qtbaseline.h"

#include "benchclock.h"

#include <QEvent>

#include <fcntl.h>
#include <unistd.h>

QtBaseline::QtBaseline(int line)
    : m_line(line), m_button(QStringLiteral("ON"), this), m_label(this),
      m_notifier(line, QSocketNotifier::Read)
{
    ::fcntl(line, F_SETFL, ::fcntl(line, F_GETFL) | O_NONBLOCK);
    // Top left of the screen, away from the panel's window, which start-up centres.
    setGeometry(0, 0, 400, 70);
    m_button.setGeometry(10, 10, 60, 24);
    m_label.setGeometry(10, 40, 374, 20); // Label12's size
    QObject::connect(&m_button, &QPushButton::clicked,
                     [this] { [[maybe_unused]] const auto written = ::write(m_line, "C00\r", 4); });
    QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { read(); });
    m_label.installEventFilter(this);
}

void QtBaseline::reset()
{
    m_textSet = 0;
    m_painted = 0;
}

void QtBaseline::read()
{
    char bytes[256];
    const ssize_t count = ::read(m_line, bytes, sizeof bytes);
    if (count <= 0)
        return;
    m_label.setText(QString::fromLatin1(bytes, count));
    m_textSet = monotonicNs();
}

bool QtBaseline::event(QEvent *event)
{
    // The window's repaint runs on its update request: paint every dirty widget, then flush.
    if (event->type() != QEvent::UpdateRequest)
        return QWidget::event(event);
    m_labelPainted = false;
    const bool handled = QWidget::event(event);
    if (m_labelPainted)
        m_painted = monotonicNs();
    return handled;
}

bool QtBaseline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_label && event->type() == QEvent::Paint)
        m_labelPainted = true;
    return false;
}
