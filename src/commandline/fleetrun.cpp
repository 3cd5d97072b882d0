#include "fleetrun.h"

#include "commandlinesend.h"
#include "commandnames.h"
#include "metricsexposition.h"
#include "outcomejson.h"
#include "powerswitch.h"
#include "panelstate.h"
#include "projectorsession.h"
#include "replydecoding.h"
#include "simulatedprojector.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <utility>

namespace {

using Result = ExchangeOutcome::Result;

// From the best to the worst, for the exit status of many.
constexpr std::array kSeverity{Result::Reply, Result::Undecoded, Result::Refused, Result::NoReply,
                               Result::PortFailed};

// The queries whose replies carry the figures: STATUS, L-TIME and TEMP by their buttons, the
// lamps and the mutes as typed text.
std::vector<CommandRequest> metricsQueries()
{
    std::vector<CommandRequest> queries;
    for (const char *name : {"status", "l-time", "temp"})
        queries.push_back({name, std::string(findCommandName(name)->controlName)});
    queries.push_back({"CR7", {}});
    queries.push_back({"CRA", {}});
    return queries;
}

Result worse(Result a, Result b)
{
    return std::ranges::find(kSeverity, a) > std::ranges::find(kSeverity, b) ? a : b;
}

// As --json names it.
QString resultName(Result result)
{
    ExchangeOutcome outcome;
    outcome.result = result;
    return OutcomeJson::toJson(outcome).value(QStringLiteral("outcome")).toString();
}

std::optional<std::string> word(const ExchangeOutcome &outcome, std::string_view figure)
{
    const StatusReading::Value *value = outcome.reading.find(figure);
    if (!value || !std::holds_alternative<std::string>(*value))
        return std::nullopt;
    return std::get<std::string>(*value);
}

std::optional<double> number(const ExchangeOutcome &outcome, std::string_view figure)
{
    const StatusReading::Value *value = outcome.reading.find(figure);
    if (!value || !std::holds_alternative<double>(*value))
        return std::nullopt;
    return std::get<double>(*value);
}

// The figures of one projector's outcomes, in the order of metricsQueries().
MetricsExposition::Poll figures(const QString &name, const std::vector<ExchangeOutcome> &outcomes)
{
    MetricsExposition::Poll poll;
    poll.name = name;
    const auto answered = [](const ExchangeOutcome &outcome) {
        return outcome.result != Result::NoReply && outcome.result != Result::PortFailed;
    };
    poll.answered = !outcomes.empty() && answered(outcomes.front());
    for (const ExchangeOutcome &outcome : outcomes) {
        if (const auto power = word(outcome, "power"))
            poll.power = power;
        if (const auto hours = number(outcome, "lamp_hours"))
            poll.lampHours = hours;
        for (const std::string_view sensor : {"s1", "s2", "s3"})
            if (const auto celsius = number(outcome, std::string(sensor) + "_celsius"))
                poll.temperatures.emplace_back(sensor, *celsius);
        // The lamps' code: its second digit is 1 for lamp 1 lit, 2 for lamp 2, 3 for both.
        if (const auto code = word(outcome, "code"); code && word(outcome, "lamps")) {
            const char lit = code->back();
            poll.lampsLit = lit == '3' ? 2 : lit == '0' ? 0 : 1;
        }
        if (const auto mute = word(outcome, "mute"))
            poll.mute = mute;
    }
    return poll;
}

// The dialogue of --power with one projector; `switched` gets its last step.
ProjectorSession::Asker powerAsker(bool on, std::optional<PowerSwitch::Step> &switched)
{
    return [power = std::make_shared<PowerSwitch>(on),
            &switched](const ExchangeOutcome *last) -> std::optional<ProjectorSession::Ask> {
        switched = last ? power->next(*last) : power->start();
        if (switched->command.empty())
            return std::nullopt;
        const CommandName *name = findCommandName(switched->command);
        return ProjectorSession::Ask{{name->name, std::string(name->controlName)},
                                     switched->afterMs};
    };
}

std::vector<std::string_view> powerStates()
{
    std::vector<std::string_view> states;
    for (const StatusRow &row : findStatusQuery(PanelState{}, "CR0\r")->rows)
        states.push_back(row.word);
    return states;
}

} // namespace

// The worst result of a projector's exchanges; for --power, the one of its exit status.
ExchangeOutcome::Result FleetRun::resultOf(const Polled &polled)
{
    if (polled.switched)
        return *std::ranges::find(kSeverity, polled.switched->exitStatus, exitStatus);
    Result worst = Result::Reply;
    for (const ExchangeOutcome &outcome : polled.outcomes)
        worst = worse(worst, outcome.result);
    return worst;
}

FleetRun::FleetRun(LaunchOptions options) : m_options(std::move(options)) {}

int FleetRun::run()
{
    std::unique_ptr<SimulatedProjector> simulated;
    if (m_options.projectors.isEmpty()) { // --metrics of the port's device
        if (m_options.simulate && !(simulated = SimulatedProjector::openAsPort1(m_options.devices)))
            return exitStatus(Result::PortFailed);
        m_options.projectors.append({QStringLiteral("com%1").arg(m_options.port),
                                     m_options.devices.device(m_options.port)});
    }
    const qint64 startedAtMs = QDateTime::currentMSecsSinceEpoch();
    const std::vector<Polled> polled = poll();
    const int status = m_options.metrics ? printMetrics(polled, startedAtMs) : printSent(polled);
    printSummary(polled);
    return status;
}

std::vector<FleetRun::Polled> FleetRun::poll() const
{
    std::vector<CommandRequest> requests; // --power asks as it goes
    if (m_options.metrics)
        requests = metricsQueries();
    else if (m_options.send)
        requests = {CommandLineSend::request(m_options)};
    std::vector<Polled> polled(std::size_t(m_options.projectors.size()));
    std::vector<std::unique_ptr<ProjectorSession>> sessions;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    std::size_t pending = polled.size();
    for (std::size_t i = 0; i < polled.size(); ++i) {
        sessions.push_back(std::make_unique<ProjectorSession>(
            m_options.projectors[qsizetype(i)].device, m_options.speed, m_options.log.get()));
        ProjectorSession::Asker asker = ProjectorSession::inTurn(requests);
        if (m_options.power)
            asker = powerAsker(*m_options.power, polled[i].switched);
        sessions.back()->start(std::move(asker), [&, i](const std::vector<ExchangeOutcome> &outcomes) {
            polled[i].outcomes = outcomes;
            polled[i].elapsedMs = clock.elapsed();
            if (--pending == 0)
                loop.quit();
        });
    }
    loop.exec();
    return polled;
}

int FleetRun::printSent(const std::vector<Polled> &polled) const
{
    QTextStream out(stdout);
    Result worstOfAll = Result::Reply;
    for (std::size_t i = 0; i < polled.size(); ++i) {
        const QString &name = m_options.projectors[qsizetype(i)].name;
        worstOfAll = worse(worstOfAll, resultOf(polled[i]));
        if (const auto &switched = polled[i].switched) {
            out << name << ": " << QString::fromStdString(switched->said) << '\n';
            continue;
        }
        const ExchangeOutcome &outcome = polled[i].outcomes.front();
        if (m_options.json) {
            QJsonObject object = OutcomeJson::toJson(outcome);
            object.insert(QStringLiteral("projector"), name);
            object.insert(QStringLiteral("elapsed_ms"), polled[i].elapsedMs);
            out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
            continue;
        }
        const std::string &shown = outcome.result == Result::PortFailed ? outcome.error
                                   : outcome.status                       ? *outcome.status
                                                                          : outcome.rendered;
        out << name << ": " << QString::fromLatin1(shown).trimmed();
        if (outcome.result != Result::Reply)
            out << " (" << resultName(outcome.result) << ')';
        out << '\n';
    }
    return exitStatus(worstOfAll);
}

int FleetRun::printMetrics(const std::vector<Polled> &polled, qint64 startedAtMs) const
{
    std::vector<MetricsExposition::Poll> polls;
    for (std::size_t i = 0; i < polled.size(); ++i) {
        polls.push_back(figures(m_options.projectors[qsizetype(i)].name, polled[i].outcomes));
        polls.back().seconds = double(polled[i].elapsedMs) / 1000;
        polls.back().startedAt = double(startedAtMs) / 1000;
    }
    const QByteArray text = MetricsExposition::text(polls, powerStates());
    if (m_options.metricsFile.isEmpty()) {
        QTextStream(stdout) << text;
        return 0;
    }
    // Whole or not at all: the collector may read the file at any moment.
    QSaveFile file(m_options.metricsFile);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return 0;
    QTextStream(stderr) << "orva-control: the metrics file " << m_options.metricsFile
                        << " could not be written: " << file.errorString() << '\n';
    return exitStatus(Result::PortFailed);
}

void FleetRun::printSummary(const std::vector<Polled> &polled) const
{
    std::map<std::ptrdiff_t, int> counts; // by severity
    for (const Polled &each : polled)
        ++counts[std::ranges::find(kSeverity, resultOf(each)) - kSeverity.begin()];
    QTextStream err(stderr);
    err << "orva-control: " << polled.size() << (polled.size() == 1 ? " projector:" : " projectors:");
    for (const auto &[severity, count] : counts)
        err << (severity == counts.begin()->first ? " " : ", ") << count << ' '
            << resultName(kSeverity[std::size_t(severity)]);
    err << '\n';
}
