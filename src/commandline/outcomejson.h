#pragma once

#include "exchangeoutcome.h"

#include <QJsonObject>

#include <optional>

// An exchange's outcome as one JSON object, the same for `--send --json` and for the answer a
// panel gives over its socket:
//   {"command": "status", "sent": "CR0\r", "reply": "00\r", "rendered": " 0 0 CR ",
//    "status": "Power ON", "reading": {"power": "on", "code": "00"}, "outcome": "reply",
//    "error": ""}
// Bytes are Latin-1 characters, so every byte value survives the round trip; "status" (the
// status line's text without its padding) and "reading" (the figures of StatusReading) are
// null when nothing was decoded.
namespace OutcomeJson
{

QJsonObject toJson(const ExchangeOutcome &outcome);
// Nothing when `object` is not an outcome.
std::optional<ExchangeOutcome> fromJson(const QJsonObject &object);

} // namespace OutcomeJson
