#include "outcomejson.h"

#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>

namespace OutcomeJson
{
namespace
{

using Result = ExchangeOutcome::Result;

struct ResultName {
    Result result;
    QLatin1StringView name;
};

constexpr auto kResultNames = std::to_array<ResultName>({
    {Result::Reply, QLatin1StringView("reply")},
    {Result::Undecoded, QLatin1StringView("undecoded")},
    {Result::Refused, QLatin1StringView("refused")},
    {Result::NoReply, QLatin1StringView("no-reply")},
    {Result::PortFailed, QLatin1StringView("port-error")},
});

QString bytes(const std::string &text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::string bytes(const QJsonValue &value)
{
    return value.toString().toLatin1().toStdString();
}

} // namespace

QJsonObject toJson(const ExchangeOutcome &outcome)
{
    const auto named = std::ranges::find(kResultNames, outcome.result, &ResultName::result);
    return {
        {QStringLiteral("command"), bytes(outcome.command)},
        {QStringLiteral("sent"), bytes(outcome.sent)},
        {QStringLiteral("reply"), bytes(outcome.reply)},
        {QStringLiteral("rendered"), bytes(outcome.rendered)},
        {QStringLiteral("status"),
         outcome.status ? QJsonValue(bytes(*outcome.status)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("outcome"), named->name},
        {QStringLiteral("error"), QString::fromStdString(outcome.error)},
    };
}

std::optional<ExchangeOutcome> fromJson(const QJsonObject &object)
{
    const QString name = object.value(QStringLiteral("outcome")).toString();
    const auto named = std::ranges::find(kResultNames, name, &ResultName::name);
    if (named == kResultNames.end())
        return std::nullopt;
    ExchangeOutcome outcome;
    outcome.command = bytes(object.value(QStringLiteral("command")));
    outcome.sent = bytes(object.value(QStringLiteral("sent")));
    outcome.reply = bytes(object.value(QStringLiteral("reply")));
    outcome.rendered = bytes(object.value(QStringLiteral("rendered")));
    if (const QJsonValue status = object.value(QStringLiteral("status")); status.isString())
        outcome.status = bytes(status);
    outcome.result = named->result;
    outcome.error = object.value(QStringLiteral("error")).toString().toStdString();
    return outcome;
}

} // namespace OutcomeJson
