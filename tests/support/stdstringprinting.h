#pragma once

#include <QTest>

#include <string>

// QtTest prints a std::string it compares as <null>; this prints the text, bytes escaped.
namespace QTest
{
template <> inline char *toString(const std::string &text)
{
    return toString(QByteArray::fromStdString(text));
}
} // namespace QTest
