#include "panelprobe.h"

#include "benchclock.h"
#include "form1.h"
#include "paneldisplay.h"
#include "panellabel.h"

#include <QEvent>

PanelProbe::PanelProbe(Form1 &form)
    : m_form(form), m_label12(form.findChild<PanelLabel *>("Label12"))
{
    // The display holds one observer: the window's. This one does what the window's does
    // with a new caption, and then takes the time.
    m_form.panel().display().label12.observe([this](const std::string &text) {
        m_label12->setText(QString::fromLatin1(text.data(), qsizetype(text.size())));
        m_captionSet = monotonicNs();
    });
    m_label12->installEventFilter(this);
    m_form.installEventFilter(this);
}

void PanelProbe::reset()
{
    m_captionSet = 0;
    m_painted = 0;
}

bool PanelProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label12 && event->type() == QEvent::Paint)
        m_label12Painted = true;
    // The window's repaint runs on its update request: paint every dirty widget, then flush.
    if (watched == &m_form && event->type() == QEvent::UpdateRequest) {
        m_label12Painted = false;
        static_cast<QObject &>(m_form).event(event);
        if (m_label12Painted)
            m_painted = monotonicNs();
        return true;
    }
    return false;
}
