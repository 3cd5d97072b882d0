#include "portconnection.h"

#include "deviceconnection.h"
#include "networkconnection.h"

std::unique_ptr<PortConnection> PortConnection::forName(const QString &name, Handlers handlers)
{
    if (NetworkConnection::isNetworkName(name))
        return std::make_unique<NetworkConnection>(std::move(handlers));
    return std::make_unique<DeviceConnection>(std::move(handlers));
}
