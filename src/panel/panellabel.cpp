#include "panellabel.h"

#include <QAccessible>
#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace
{

constexpr int kBorderWidth = 2;

// The sunken panel border of two lines a side, as qDrawWinPanel draws it, in eight one-pixel
// rectangles: qDrawWinPanel's polylines cost more than the text (some 50 us a paint against
// 2), and the monitor labels repaint at every byte received.
void drawSunkenBorder(QPainter &painter, const QRect &r, const QPalette &colours)
{
    const int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    painter.fillRect(x, y, 1, h - 1, colours.dark());
    painter.fillRect(x, y, w - 1, 1, colours.dark());
    painter.fillRect(x, y + h - 1, w, 1, colours.light());
    painter.fillRect(x + w - 1, y, 1, h, colours.light());
    painter.fillRect(x + 1, y + 1, 1, h - 3, colours.shadow());
    painter.fillRect(x + 1, y + 1, w - 3, 1, colours.shadow());
    painter.fillRect(x + 1, y + h - 2, w - 2, 1, colours.midlight());
    painter.fillRect(x + w - 2, y + 1, 1, h - 2, colours.midlight());
}

} // namespace

PanelLabel::PanelLabel(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    refit();
    // A screen reader reads a changed name aloud: the status line when a reply is decoded.
    // Without one the event is never built.
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&changed);
    }
}

void PanelLabel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void PanelLabel::setBorder(bool border)
{
    m_border = border;
    const int margin = border ? kBorderWidth : 0;
    setContentsMargins(margin, margin, margin, margin);
    refit();
}

void PanelLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    if (m_border)
        drawSunkenBorder(painter, rect(), palette());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), int(m_alignment | Qt::AlignTop | Qt::TextSingleLine),
                     shownText());
}

void PanelLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        m_narrowestAdvance = 0;
        refit();
    }
    QWidget::changeEvent(event);
}

void PanelLabel::resizeEvent(QResizeEvent *event)
{
    refit();
    QWidget::resizeEvent(event);
}

void PanelLabel::refit()
{
    m_fitted = false;
    update();
}

int PanelLabel::narrowestAdvance() const
{
    if (m_narrowestAdvance)
        return m_narrowestAdvance;
    const QFontMetrics metrics = fontMetrics();
    int narrowest = metrics.horizontalAdvance(QLatin1Char(' '));
    for (char c = '!'; c <= '~'; ++c)
        narrowest = std::min(narrowest, metrics.horizontalAdvance(QLatin1Char(c)));
    m_narrowestAdvance = std::max(narrowest, 1);
    return m_narrowestAdvance;
}

const QString &PanelLabel::shownText() const
{
    if (m_fitted)
        return m_shown;
    // No more characters than the narrowest could fill the width: the rest cannot show, so
    // it is never laid out. One more makes the ellipsis appear when text was cut. A text of
    // no more characters than pixels is laid out whole, unmeasured: a caption costs no more
    // than drawing it.
    const int width = contentsRect().width();
    const qsizetype fitting =
        m_text.size() <= width ? m_text.size() : width / narrowestAdvance() + 2;
    m_shown = fontMetrics().elidedText(m_text.left(fitting), Qt::ElideRight, width);
    m_fitted = true;
    return m_shown;
}
