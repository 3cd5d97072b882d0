#include "metricsexposition.h"

#include <array>
#include <charconv>
#include <functional>

namespace MetricsExposition
{
namespace
{

using Sample = std::pair<std::string, double>; // the labels after projector="...", the value
using Samples = std::function<std::vector<Sample>(const Poll &)>;

struct Family {
    std::string_view name;
    std::string_view help;
    Samples samples;
};

std::string number(double value)
{
    std::array<char, 32> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    return {digits.data(), end};
}

// The figure's one sample, without labels of its own; none when the poll did not get it.
template<typename T>
Samples one(std::optional<T> Poll::*figure)
{
    return [figure](const Poll &poll) {
        return (poll.*figure) ? std::vector<Sample>{{{}, double(*(poll.*figure))}}
                              : std::vector<Sample>{};
    };
}

std::vector<Family> families(std::span<const std::string_view> powerStates)
{
    std::vector<std::string_view> states(powerStates.begin(), powerStates.end());
    return {
        {"orva_projector_up", "Whether the projector answered the poll (1) or not (0).",
         [](const Poll &poll) { return std::vector<Sample>{{{}, poll.answered ? 1.0 : 0.0}}; }},
        {"orva_projector_power_state",
         "The projector's power state: 1 for the state it reported, 0 for the others.",
         [states](const Poll &poll) {
             std::vector<Sample> samples;
             for (const std::string_view state : poll.power ? states : decltype(states){})
                 samples.push_back({",state=\"" + std::string(state) + '"',
                                    state == *poll.power ? 1 : 0});
             return samples;
         }},
        {"orva_projector_lamp_time_seconds",
         "The lamp time the projector counts (whole hours), in seconds.",
         [](const Poll &poll) {
             return poll.lampHours ? std::vector<Sample>{{{}, *poll.lampHours * 3600}}
                                   : std::vector<Sample>{};
         }},
        {"orva_projector_temperature_celsius",
         "The projector's temperature readings S1, S2 and S3, in degrees Celsius.",
         [](const Poll &poll) {
             std::vector<Sample> samples;
             for (const auto &[sensor, celsius] : poll.temperatures)
                 samples.push_back({",sensor=\"" + sensor + '"', celsius});
             return samples;
         }},
        {"orva_projector_lamps_lit", "How many of the projector's lamps are lit.",
         one(&Poll::lampsLit)},
        {"orva_projector_muted",
         "Whether the projector's picture (video) and sound (audio) are muted (1) or not (0).",
         [](const Poll &poll) {
             std::vector<Sample> samples;
             const std::string mute = poll.mute.value_or(std::string());
             if (mute == "off" || mute == "video" || mute == "audio" || mute == "video-audio")
                 for (const std::string_view what : {"video", "audio"})
                     samples.push_back({",mute=\"" + std::string(what) + '"',
                                        mute.find(what) != std::string::npos ? 1 : 0});
             return samples;
         }},
        {"orva_projector_poll_duration_seconds", "How long the poll of the projector took.",
         [](const Poll &poll) { return std::vector<Sample>{{{}, poll.seconds}}; }},
        {"orva_projector_poll_timestamp_seconds",
         "When the poll of the projector started, in seconds since the Unix epoch.",
         [](const Poll &poll) { return std::vector<Sample>{{{}, poll.startedAt}}; }},
    };
}

} // namespace

QByteArray text(std::span<const Poll> polls, std::span<const std::string_view> powerStates)
{
    std::string text;
    for (const Family &family : families(powerStates)) {
        std::string lines;
        for (const Poll &poll : polls)
            for (const auto &[labels, value] : family.samples(poll))
                lines += std::string(family.name) + "{projector=\"" + poll.name.toStdString() +
                         '"' + labels + "} " + number(value) + '\n';
        if (lines.empty())
            continue;
        text += "# HELP " + std::string(family.name) + ' ' + std::string(family.help) + '\n';
        text += "# TYPE " + std::string(family.name) + " gauge\n" + lines;
    }
    return QByteArray::fromStdString(text);
}

} // namespace MetricsExposition
