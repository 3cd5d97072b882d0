#include "panelaccessibility.h"

#include "form1.h"
#include "panellabel.h"
#include "panellabelaccessible.h"

#include <QAccessible>

namespace
{

QAccessibleInterface *panelInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String("PanelLabel"))
        return new PanelLabelAccessible(static_cast<PanelLabel *>(object));
    // A frame with the caption as its name, which a plain widget is not.
    if (className == QLatin1String("Form1"))
        return new QAccessibleWidget(static_cast<Form1 *>(object), QAccessible::Window);
    return nullptr;
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
