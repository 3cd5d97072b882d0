#pragma once

#include <QString>

// Where a panel that holds a device listens for command lines of the same user, and where
// --send looks for it: one socket per device in a folder of the user's runtime directory.
namespace SharingSocket
{

// The most a Unix socket's path may hold: sun_path's 108 bytes less the closing zero.
constexpr qsizetype kLongestPath = 107;

// What `device` reaches, the same for each of its spellings: a local device by the system's
// name for it (links resolved), a network port as scheme://address:port with its host looked
// up (an IPv4 address first), so that localhost and 127.0.0.1 are one server.
QString reachedName(const QString &device);

// The socket for `device`; a name too long for a socket is replaced by a hash of fixed length.
// Empty when sharing cannot work here (no runtime directory, or a folder that others may
// enter), which is told once on standard error.
QString path(const QString &device);

} // namespace SharingSocket
