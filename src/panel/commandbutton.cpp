#include "commandbutton.h"

#include "activationkey.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>

namespace
{

// The caption broken into lines of at most `width` pixels: between words where it can be,
// anywhere where it cannot (Japanese has no blanks).
QString wrapped(const QString &caption, const QFont &font, int width)
{
    if (QFontMetrics(font).horizontalAdvance(caption) <= width)
        return caption;
    QTextLayout layout(caption, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << caption.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n'));
}

} // namespace

CommandButton::CommandButton(QWidget *parent) : QPushButton(parent)
{
    // Clicks that come from no event of ours (accessibility, click()) still count once.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (!m_activatedEarly)
            emit activated();
    });
}

void CommandButton::activateBefore(const std::function<void()> &finish)
{
    m_activatedEarly = true;
    emit activated();
    finish();
    m_activatedEarly = false;
}

void CommandButton::mouseReleaseEvent(QMouseEvent *event)
{
    // The same test as the stock button's: a left release over a button that is down clicks.
    if (event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint()))
        activateBefore([&] { QPushButton::mouseReleaseEvent(event); });
    else
        QPushButton::mouseReleaseEvent(event);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if (!isActivationKey(*event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // The command goes at the press, once however long the key is held.
    if (m_key.pressStarts(*event)) {
        setDown(true);
        emit activated();
    }
    event->accept();
}

void CommandButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!isActivationKey(*event)) {
        QPushButton::keyReleaseEvent(event);
        return;
    }
    m_key.releaseMayRepeat(*event);
    setDown(false);
    event->accept();
}

void CommandButton::setCaption(const QString &caption)
{
    m_caption = caption;
    m_wrapped.reset();
    setText(caption);
}

void CommandButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        m_wrapped.reset();
    QPushButton::changeEvent(event);
}

void CommandButton::resizeEvent(QResizeEvent *event)
{
    m_wrapped.reset();
    QPushButton::resizeEvent(event);
}

void CommandButton::paintEvent(QPaintEvent *)
{
    // The stock button's painting with the caption wrapped, which waits for the first paint:
    // a button out of view at start never lays out its caption, nor loads its font.
    if (!m_wrapped) {
        const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this);
        m_wrapped = wrapped(m_caption, font(), width() - margin);
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text = *m_wrapped;
    painter.drawControl(QStyle::CE_PushButton, option);
}
