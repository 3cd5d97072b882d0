#include "form1.h"

#include "adjusterbutton.h"
#include "commandbutton.h"
#include "extendedpanel.h"
#include "focuschain.h"
#include "freecommandentry.h"
#ifdef Q_OS_LINUX
#include "kerneltimer.h"
#endif
#include "linebytes.h"
#include "optionbutton.h"
#include "panelaccessibility.h"
#include "paneldisplay.h"
#include "panellabel.h"
#include "panellayout.h"
#include "picturebox.h"
#include "porterror.h"
#include "portsetup.h"
#include "qttimer.h"
#include "windowplacement.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

using PanelLayout::kTwipsPerPixel;

// A frame of a 60 Hz screen: a paint held back for less is not seen late.
constexpr int kFrameMs = 16;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), text.size());
}

int pixels(int twips)
{
    return qRound(double(twips) / kTwipsPerPixel);
}

QColor colour(std::uint32_t rgb)
{
    return QColor::fromRgb(QRgb(rgb));
}

// The design's Japanese faces, drawn with metric-compatible stand-ins.
void substituteFonts()
{
    QFont::insertSubstitution(fromUtf8(PanelLayout::kGothic), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(fromUtf8(PanelLayout::kPGothic), QStringLiteral("IPAPGothic"));
}

QFont designFont(const PanelLayout::Font &design)
{
    QFont result(fromUtf8(design.family));
    // In pixels at 96 dots per inch, so that text keeps its size against the fixed layout.
    result.setPixelSize(qRound(design.points * 96 / 72));
    result.setBold(design.bold);
    return result;
}

int modifierMask(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? ExtendedPanel::kShiftMask : 0) |
           (modifiers & Qt::ControlModifier ? ExtendedPanel::kCtrlMask : 0) |
           (modifiers & Qt::AltModifier ? ExtendedPanel::kAltMask : 0);
}

// Shows an observable's value now and whenever it changes.
template <typename T, typename Apply> void bind(Observable<T> &value, Apply apply)
{
    apply(value.get());
    value.observe(apply);
}

// Marks or unmarks an option button; both of a group may be unmarked.
void mark(QRadioButton *option, bool marked)
{
    option->setChecked(marked);
}

} // namespace

template <typename T> T *Form1::control(std::string_view name) const
{
    return findChild<T *>(fromUtf8(name));
}

Form1::Form1(SerialPort &port, const ControlPanel::TimerFactory &makeTimer, QWidget *parent)
    : QWidget(parent), m_panel(
                           port, makeTimer, [this](const PortError &error) { reportError(error); },
                           [this] { endProgram(); })
{
    substituteFonts();
    PanelAccessibility::install();
    build();
    bindDisplays();
    bindPortGroup();
    bindFreeCommandEntry();
    bindExtendedPanel();
    new FocusChain(*m_canvas); // a child of the canvas
    // The keyboard's control is always on screen, however it got the focus.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && m_canvas->isAncestorOf(now))
            m_scroll->ensureWidgetVisible(now);
    });
    control<QWidget>("Command17")->setFocus();
    m_panel.setOnNotice([this](const std::string &sentence) {
        PanelAccessibility::say(focusWidget(), QString::fromLatin1(sentence.data(),
                                                                   qsizetype(sentence.size())));
    });
}

Form1::~Form1()
{
    // The controls go while the panel they report to is still here: a button held as the
    // window closes lets go as it goes, and tells the panel.
    disconnect(qApp, nullptr, this, nullptr);
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

ControlPanel::TimerFactory Form1::systemTimers()
{
    return []([[maybe_unused]] ControlPanel::TimerUse use) -> std::unique_ptr<Timer> {
#ifdef Q_OS_LINUX
        if (use == ControlPanel::TimerUse::Repeat)
            if (std::unique_ptr<Timer> timer = KernelTimer::create())
                return timer;
#endif
        return std::make_unique<QtTimer>();
    };
}

int Form1::clientHeight(float windowHeight)
{
    return int(std::floor((windowHeight - PanelLayout::kFrameAllowance) / kTwipsPerPixel));
}

void Form1::load()
{
    bind(m_panel.windowOrigin, [this](const WindowOrigin &origin) {
        move(qRound(origin.left / kTwipsPerPixel), qRound(origin.top / kTwipsPerPixel));
    });
    const QRectF area = screen()->availableGeometry().toRectF();
    m_panel.load({float(area.left() * kTwipsPerPixel), float(area.top() * kTwipsPerPixel),
                  float(area.width() * kTwipsPerPixel), float(area.height() * kTwipsPerPixel)},
                 [this] { show(); });
}

void Form1::build()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(fromUtf8(PanelLayout::kCaption));
    setWindowIcon(QIcon(QStringLiteral(":/panel/orva-control-48.png"))); // title bar, task switcher
    // The operator cannot resize or maximise it; the program sets its height.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(designFont(PanelLayout::kFont));
    QPalette background = palette();
    background.setColor(QPalette::Window, colour(PanelLayout::kBackground));
    setPalette(background);
    setAutoFillBackground(true);
    installEventFilter(this);
    // The view scrolls where the screen is shorter than it (a large scale factor); where it
    // fits, the scroll area shows no bar and the window is the view.
    m_canvas = new QWidget;
    m_canvas->installEventFilter(this); // draws the lines
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidget(m_canvas);

    for (const PanelLayout::Control &design : PanelLayout::controls()) {
        QWidget *parent = design.parent.empty() ? m_canvas : control<QWidget>(design.parent);
        QWidget *widget = createControl(design, parent);
        widget->setObjectName(fromUtf8(design.name));
        widget->setGeometry(pixels(design.left), pixels(design.top), pixels(design.width),
                            pixels(design.height));
        widget->setFixedSize(widget->size());
        widget->setFont(designFont(design.font.value_or(PanelLayout::kFont)));
        QPalette colours = widget->palette();
        if (design.background) {
            colours.setColor(QPalette::Window, colour(*design.background));
            colours.setColor(QPalette::Button, colour(*design.background));
        }
        if (design.foreground) {
            colours.setColor(QPalette::WindowText, colour(*design.foreground));
            colours.setColor(QPalette::ButtonText, colour(*design.foreground));
        }
        widget->setPalette(colours);
        widget->installEventFilter(this);
    }
}

QWidget *Form1::createControl(const PanelLayout::Control &design, QWidget *parent)
{
    const QString caption = fromUtf8(design.caption);
    switch (design.kind) {
    case PanelLayout::Kind::Frame: {
        auto *frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setAutoFillBackground(true);
        frame->setAccessibleName(PanelAccessibility::frameName(design));
        return frame;
    }
    case PanelLayout::Kind::Label: {
        auto *label = new PanelLabel(parent);
        label->setText(caption);
        label->setBorder(design.border);
        label->setAlignment(design.align == PanelLayout::Align::Centre  ? Qt::AlignHCenter
                            : design.align == PanelLayout::Align::Right ? Qt::AlignRight
                                                                        : Qt::AlignLeft);
        return label;
    }
    case PanelLayout::Kind::Button:
        if (ControlPanel::isAdjuster(design.name)) {
            auto *button = new AdjusterButton(parent);
            button->setText(caption);
            button->setAccessibleName(PanelAccessibility::buttonName(design, caption));
            const std::string_view key = design.name; // the table's text lives for the run
            connect(button, &AdjusterButton::mouseDown, this, [this, key] { m_panel.press(key); });
            connect(button, &AdjusterButton::mouseUp, this, [this, key] { m_panel.release(key); });
            return button;
        } else {
            auto *button = new CommandButton(parent);
            button->setCaption(caption);
            button->setAccessibleName(PanelAccessibility::buttonName(design, caption));
            const std::string_view key = design.name;
            connect(button, &CommandButton::activated, this, [this, key] { m_panel.click(key); });
            return button;
        }
    case PanelLayout::Kind::Option: {
        auto *option = new OptionButton(caption, parent);
        option->setAutoFillBackground(true);
        const std::string_view key = design.name;
        connect(option, &OptionButton::chosen, this, [this, key] { m_panel.click(key); });
        return option;
    }
    case PanelLayout::Kind::TextBox: {
        auto *box = new QLineEdit(parent);
        box->setMaxLength(std::numeric_limits<int>::max());
        box->setAccessibleName(tr("Command")); // what its tag CMD stands for
        return box;
    }
    case PanelLayout::Kind::Picture: {
        auto *picture = new PictureBox(parent);
        picture->setPixmap(QPixmap(QStringLiteral(":/panel/image1.png")));
        picture->setAccessibleName(tr("ORVA emblem"));
        picture->setAccessibleDescription(
            tr("After Ctrl+J, a double-click, Space or Enter here shows the whole panel"));
        connect(picture, &PictureBox::doubleClicked, this, [this] { m_panel.image1DoubleClick(); });
        return picture;
    }
    }
    Q_UNREACHABLE();
}

void Form1::bindDisplays()
{
    PanelDisplay &display = m_panel.display();
    const auto show = [this](PanelLabel *label) {
        return [this, label](const std::string &text) { showMonitor(label, text); };
    };
    bind(display.label11, show(control<PanelLabel>("Label11")));
    bind(display.label12, show(control<PanelLabel>("Label12")));
    bind(display.label22, show(control<PanelLabel>("Label22")));
    m_panel.setOnEventEnd([this](bool repeat) { paintHeldBack(repeat); });
    bind(display.frame8Visible, [this](bool visible) { showPortGroup(visible); });
}

void Form1::showMonitor(PanelLabel *label, const std::string &text)
{
    // A paint usually takes a third of a millisecond, but it stretches when the thread is
    // preempted or waits on the display server, and a repeat that falls due meanwhile goes
    // out late. During a hold the display timers clear the monitor just before, or together
    // with, the next repeat; such a change is painted right after that repeat's write. The
    // label's text is the new one at once (a screen reader hears it); only its pixels wait.
    const int repeatIn = m_panel.nextRepeatIn();
    if (repeatIn >= 0 && repeatIn < kFrameMs && label->updatesEnabled()) {
        label->setUpdatesEnabled(false);
        m_heldBack.push_back(label);
    }
    label->setText(QString::fromLatin1(text.data(), qsizetype(text.size()))); // bytes
}

void Form1::paintHeldBack(bool afterRepeat)
{
    const int repeatIn = m_panel.nextRepeatIn();
    if (!afterRepeat && repeatIn >= 0 && repeatIn < kFrameMs)
        return;
    for (PanelLabel *label : std::exchange(m_heldBack, {}))
        label->setUpdatesEnabled(true); // and repaints it
}

void Form1::showPortGroup(bool visible)
{
    auto *group = control<QWidget>("Frame8");
    auto *com = control<QWidget>("Command33");
    const bool fromCom = focusWidget() == com;
    // The keyboard comes back to the COM button when a choice hides the group.
    if (!visible && group->isAncestorOf(focusWidget()))
        com->setFocus(Qt::OtherFocusReason);
    group->setVisible(visible);
    // The group covers the COM button: the keyboard goes on at the port in use.
    if (visible && fromCom)
        control<QWidget>(m_panel.portSetup().markedPort.get() == 2 ? "Option2" : "Option1")
            ->setFocus(Qt::TabFocusReason);
}

void Form1::bindPortGroup()
{
    PortSetup &setup = m_panel.portSetup();
    bind(setup.markedPort, [com1 = control<QRadioButton>("Option1"),
                            com2 = control<QRadioButton>("Option2")](int port) {
        mark(com1, port == 1);
        mark(com2, port == 2);
    });
    bind(setup.markedSpeed, [fast = control<QRadioButton>("Option9"),
                             slow = control<QRadioButton>("Option10")](int baud) {
        mark(fast, baud == 19200);
        mark(slow, baud == 9600);
    });
    setup.markedPort.observe([this](int) { describePorts(); });
    setup.markedSpeed.observe([this](int) { describePorts(); });
    setup.portOpen.observe([this](bool) { describePorts(); });
    setup.connecting.observe([this](bool connecting) {
        describePorts();
        if (connecting)
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });
}

void Form1::setPortDevices(const QStringList &devices)
{
    m_portDevices = devices;
    describePorts();
}

void Form1::describePorts()
{
    using PanelAccessibility::PortState;
    const PortSetup &setup = m_panel.portSetup();
    const PortState state = setup.connecting.get() ? PortState::Connecting
                            : setup.portOpen.get() ? PortState::Open
                                                   : PortState::NotOpen;
    const QString text = PanelAccessibility::portsDescription(m_portDevices, setup.markedPort.get(),
                                                              state, setup.markedSpeed.get());
    auto *com = control<CommandButton>("Command33");
    com->setToolTip(text);
    com->setAccessibleDescription(text);
}

void Form1::bindFreeCommandEntry()
{
    // The box shows what the operator typed; the panel holds it as the bytes that go out.
    auto *box = control<QLineEdit>("Text1");
    Observable<std::string> &text = m_panel.freeCommandEntry().text1;
    connect(box, &QLineEdit::textChanged, this,
            [&text](const QString &typed) { text.set(lineBytes(typed)); });
    bind(text, [box](const std::string &bytes) {
        if (lineBytes(box->text()) != bytes)
            box->setText(QString::fromLatin1(bytes.data(), qsizetype(bytes.size())));
    });
}

void Form1::bindExtendedPanel()
{
    ExtendedPanel &extended = m_panel.extendedPanel();
    auto *command34 = control<CommandButton>("Command34");
    bind(extended.windowHeight, [this, command34](float height) {
        // CLOSE goes out of view: the keyboard stays at the picture, which opens the view again.
        if (height < ExtendedPanel::kDataThreshold && command34->hasFocus())
            control<QWidget>("Image1")->setFocus(Qt::OtherFocusReason);
        fitToScreen({pixels(PanelLayout::kClientWidth), clientHeight(height)});
    });
    bind(extended.command34Caption, [command34](const std::string &caption) {
        command34->setCaption(fromUtf8(caption));
        command34->setAccessibleName(fromUtf8(caption)); // a button of no group
    });
    bind(extended.command34Visible, [command34](bool visible) { command34->setVisible(visible); });
}

void Form1::fitToScreen(QSize view)
{
    // The window is the view where the screen has room for it and its title bar; else it is
    // as high as the room, with a bar to scroll the view, and comes up to show its bottom
    // edge, its title bar never above the screen's top.
    const QRect area = screen()->availableGeometry();
    const int room = area.height() - (frameGeometry().height() - height());
    const int bar = view.height() > room ? m_scroll->verticalScrollBar()->sizeHint().width() : 0;
    setFixedSize(view.width() + bar, std::min(view.height(), room));
    // The view last: a view larger than its area for a moment shows the bar.
    m_scroll->setGeometry(rect());
    m_canvas->setFixedSize(view);
    if (isVisible() && y() + frameGeometry().height() > area.bottom() + 1)
        move(x(), std::max(area.top(), area.bottom() + 1 - frameGeometry().height()));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas && event->type() == QEvent::Paint)
        drawLines();
    // The window sees each key before the control with the focus, once: the event is
    // filtered where it is first delivered, not again as it travels up to the parents.
    if (event->type() == QEvent::KeyPress) {
        QWidget *focus = focusWidget();
        if (watched == (focus ? focus : this)) {
            const auto *key = static_cast<QKeyEvent *>(event);
            m_panel.keyDown(key->key(), modifierMask(key->modifiers()));
            if (control<QWidget>("Frame8")->isAncestorOf(focus))
                m_panel.portGroupKey();
        }
    }
    // The port group shown to the keyboard closes as the keyboard leaves it.
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        const bool inGroup = control<QWidget>("Frame8")->isAncestorOf(static_cast<QWidget *>(watched));
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (std::exchange(m_focusInPortGroup, inGroup) && !inGroup &&
            (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason))
            m_panel.portGroupLeft();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::drawLines()
{
    QPainter painter(m_canvas);
    painter.setPen(QPen(colour(PanelLayout::kLineColour), PanelLayout::kLinePixels, Qt::SolidLine,
                        Qt::SquareCap));
    for (const PanelLayout::Line &line : PanelLayout::lines())
        painter.drawLine(pixels(line.x1), pixels(line.y1), pixels(line.x2), pixels(line.y2));
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing the window ends the program. Qt's own quit after the last window is called off
    // when another window shows, and a warning that comes now, or waits behind an open one,
    // would leave the program running without its window, holding the port. So the program
    // quits on its own, and no warning shows any more.
    m_closed = true;
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QWidget::closeEvent(event);
}

void Form1::endProgram()
{
    close();
    QCoreApplication::quit(); // the program's exit status is 0
}

void Form1::reportError(const PortError &error)
{
    showWarning(QString::fromStdString(error.warning()));
}

void Form1::showWarning(const QString &text)
{
    // One box at a time: errors that come while one is open follow when it is closed.
    m_pendingWarnings.push_back(text);
    if (m_warningShown || m_closed)
        return;
    m_warningShown = true;
    // The box takes the mouse: a held adjuster would never see its release.
    for (AdjusterButton *adjuster : findChildren<AdjusterButton *>())
        adjuster->endHold();
    while (!m_pendingWarnings.empty() && !m_closed) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), m_pendingWarnings.front(),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        m_pendingWarnings.pop_front();
        box.exec();
    }
    m_warningShown = false;
}
