#include "linebytes.h"

#include <QList>
#include <QString>

std::string lineBytes(const QString &text)
{
    constexpr char32_t kLastLatin1 = 0xFF;
    std::string bytes;
    for (const char32_t character : text.toUcs4())
        bytes += character <= kLastLatin1 ? static_cast<char>(character) : '?';
    return bytes;
}
