#include "panelaccessibility.h"

#include "adjusterbutton.h"
#include "panellabel.h"
#include "panellabelaccessible.h"
#include "panellayout.h"
#include "picturebox.h"
#include "pressableaccessible.h"

#include <QAccessible>

namespace
{

QAccessibleInterface *panelInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("PanelLabel"))
        return new PanelLabelAccessible(static_cast<PanelLabel *>(object));
    if (className == QLatin1String("AdjusterButton")) {
        auto *button = static_cast<AdjusterButton *>(object);
        return new PressableAccessible(button, QAccessible::Button,
                                       [button] { button->pressOnce(); });
    }
    if (className == QLatin1String("PictureBox")) {
        auto *picture = static_cast<PictureBox *>(object);
        return new PressableAccessible(picture, QAccessible::Graphic,
                                       [picture] { emit picture->doubleClicked(); });
    }
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
