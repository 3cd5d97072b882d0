#include "outcomejson.h"

#include <QJsonValue>
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>
#include <variant>

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

QJsonValue readingJson(const StatusReading &reading)
{
    if (reading.empty())
        return QJsonValue::Null;
    QJsonObject figures;
    for (const StatusReading::Figure &figure : reading.figures()) {
        const auto *word = std::get_if<std::string>(&figure.value);
        const QJsonValue value =
            word ? QJsonValue(bytes(*word)) : QJsonValue(std::get<double>(figure.value));
        figures.insert(QString::fromStdString(figure.name), value);
    }
    return figures;
}

StatusReading readingFromJson(const QJsonValue &value)
{
    StatusReading reading;
    const QJsonObject figures = value.toObject();
    for (auto figure = figures.begin(); figure != figures.end(); ++figure) {
        if (figure->isString())
            reading.add(figure.key().toStdString(), bytes(*figure));
        else
            reading.add(figure.key().toStdString(), figure->toDouble());
    }
    return reading;
}

// The status line's text without the blanks it is padded with on the panel.
QString unpadded(const std::string &status)
{
    return bytes(status).trimmed();
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
         outcome.status ? QJsonValue(unpadded(*outcome.status)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("reading"), readingJson(outcome.reading)},
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
    outcome.reading = readingFromJson(object.value(QStringLiteral("reading")));
    outcome.result = named->result;
    outcome.error = object.value(QStringLiteral("error")).toString().toStdString();
    return outcome;
}

} // namespace OutcomeJson
