#pragma once

#include <string>

class QString;

// Text the operator typed, as it goes on the line: Latin-1, one byte per character, and "?"
// for a character Latin-1 does not have (a character outside the Basic Multilingual Plane is
// one character, so one "?").
std::string lineBytes(const QString &text);
