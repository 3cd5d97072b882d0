#include "panelaccessibility.h"

#include "adjusterbutton.h"
#include "optionbutton.h"
#include "panellabel.h"
#include "panellabelaccessible.h"
#include "panellayout.h"
#include "picturebox.h"
#include "pressableaccessible.h"

#include <QAccessible>
#include <QHash>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QWidget>
#include <private/qguiapplication_p.h>
#include <private/qspiaccessiblebridge_p.h>
#include <qpa/qplatformintegration.h>

namespace
{

// A port or speed choice, read as the option it is, marked or not: the stock interface takes
// a button of no exclusive group for a check box.
class OptionAccessible : public PressableAccessible
{
public:
    explicit OptionAccessible(OptionButton *option)
        : PressableAccessible(option, QAccessible::RadioButton, [option] { option->click(); })
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = PressableAccessible::state();
        state.checkable = true;
        state.checked = option()->isChecked();
        return state;
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? option()->text() : PressableAccessible::text(t);
    }

private:
    OptionButton *option() const { return static_cast<OptionButton *>(widget()); }
};

QAccessibleInterface *panelInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("PanelLabel"))
        return new PanelLabelAccessible(static_cast<PanelLabel *>(object));
    if (className == QLatin1String("AdjusterButton")) {
        auto *button = static_cast<AdjusterButton *>(object);
        return new PressableAccessible(button, QAccessible::Button,
                                       [button] { button->pressOnce(); });
    }
    if (className == QLatin1String("OptionButton"))
        return new OptionAccessible(static_cast<OptionButton *>(object));
    if (className == QLatin1String("PictureBox")) {
        auto *picture = static_cast<PictureBox *>(object);
        return new PressableAccessible(picture, QAccessible::Graphic,
                                       [picture] { emit picture->doubleClicked(); });
    }
    // The design's frames group their controls under the name the frame is given.
    if (className == QLatin1String("QFrame") &&
        static_cast<QWidget *>(object)->window()->objectName() == QLatin1String("Form1"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Pane);
    // A frame with the caption as its name, which a plain widget is not.
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

QString inWords(const QString &caption)
{
    if (caption == QStringLiteral("↑"))
        return QStringLiteral("Up");
    if (caption == QStringLiteral("↓"))
        return QStringLiteral("Down");
    if (caption == QStringLiteral("←"))
        return QStringLiteral("Left");
    if (caption == QStringLiteral("→"))
        return QStringLiteral("Right");
    return caption;
}

// The AT-SPI bridge, where the platform speaks to assistive technology through one.
QSpiAccessibleBridge *atSpiBridge()
{
    QPlatformIntegration *platform = QGuiApplicationPrivate::platformIntegration();
    return platform ? dynamic_cast<QSpiAccessibleBridge *>(platform->accessibility()) : nullptr;
}

} // namespace

void PanelAccessibility::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(panelInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

QString PanelAccessibility::buttonName(const PanelLayout::Control &button, const QString &caption)
{
    const PanelLayout::Control *title = PanelLayout::groupTitle(button);
    if (!title)
        return inWords(caption);
    return QString::fromUtf8(title->caption.data(), title->caption.size()) + QLatin1Char(' ') +
           inWords(caption);
}

QString PanelAccessibility::frameName(const PanelLayout::Control &frame)
{
    // A frame is named by the title over its controls; the frames that have none, by what
    // they hold.
    static const QHash<QString, QString> untitled{{"Frame8", "Port"},
                                                  {"Frame9", "Monitor"},
                                                  {"Frame13", "Speed"},
                                                  {"Frame14", "Input source"},
                                                  {"Frame15", "Free command"}};
    const QString name = QString::fromUtf8(frame.name.data(), qsizetype(frame.name.size()));
    for (const PanelLayout::Control &control : PanelLayout::controls())
        if (control.parent == frame.name && control.kind == PanelLayout::Kind::Button) {
            const PanelLayout::Control *title = PanelLayout::groupTitle(control);
            if (title && title->parent == frame.name && !untitled.contains(name))
                return QString::fromUtf8(title->caption.data(), qsizetype(title->caption.size()));
            break;
        }
    return untitled.value(name);
}

QString PanelAccessibility::portsDescription(const QStringList &devices, int chosen,
                                             PortState state, int baud)
{
    QStringList lines;
    for (int port = 1; port <= devices.size(); ++port) {
        QString line = QStringLiteral("COM%1 is %2").arg(port).arg(devices[port - 1]);
        if (port == chosen)
            line += state == PortState::Open ? QStringLiteral(", open at %1 baud").arg(baud)
                    : state == PortState::Connecting
                        ? QStringLiteral(", connecting (%1 baud)").arg(baud)
                        : QStringLiteral(", not open (%1 baud)").arg(baud);
        lines << line + u'.';
    }
    return lines.join(u'\n');
}

void PanelAccessibility::say(QWidget *focused, const QString &sentence)
{
    // A screen reader speaks a changed description of the focused control (Orca does), but
    // Qt 6.4's bridge sends that change with the control in place of the text, which Orca 43
    // cannot read. So the event goes out here as AT-SPI defines it, on the bridge's own
    // connection, the new text as its value.
    QSpiAccessibleBridge *bridge = atSpiBridge();
    QAccessibleInterface *control = focused ? QAccessible::queryAccessibleInterface(focused) : nullptr;
    if (!bridge || !control || !QAccessible::isActive())
        return;
    const QString objects = QStringLiteral("/org/a11y/atspi/accessible/");
    QDBusConnection bus = bridge->dBusConnection();
    QDBusMessage changed = QDBusMessage::createSignal(
        objects + QString::number(QAccessible::uniqueId(control)),
        QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("PropertyChange"));
    QDBusArgument application; // the sender's root object, as the bridge names it
    application.beginStructure();
    application << bus.baseService() << QDBusObjectPath(objects + QStringLiteral("root"));
    application.endStructure();
    changed << QStringLiteral("accessible-description") << 0 << 0
            << QVariant::fromValue(QDBusVariant(sentence)) << QVariant::fromValue(application);
    bus.send(changed);
}
