#include "projectormodel.h"

#include <algorithm>
#include <array>

namespace {

struct InputCommand {
    std::string_view code;
    int inputMode;
};

// The input mode buttons and the input source buttons choose among the three inputs.
constexpr std::array kInputCommands = std::to_array<InputCommand>({
    {"C05", 1},
    {"C50", 1},
    {"C51", 1},
    {"C54", 1},
    {"C06", 2},
    {"C25", 2},
    {"C07", 3},
    {"C32", 3},
    {"C33", 3},
    {"C34", 3},
});

bool isCommand(std::string_view line)
{
    const auto hexDigit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    return line.size() == 3 && line[0] == 'C' && hexDigit(line[1]) && hexDigit(line[2]);
}

} // namespace

std::string ProjectorModel::answer(std::string_view line, Milliseconds now)
{
    advanceTo(now);
    if (auto value = query(line))
        return *value + '\r';
    if (!isCommand(line))
        return std::string(1, kNak);
    apply(line, now);
    return std::string(1, kAck);
}

ProjectorModel::Power ProjectorModel::power(Milliseconds now)
{
    advanceTo(now);
    return m_power;
}

void ProjectorModel::advanceTo(Milliseconds now)
{
    while (m_phaseEnds && *m_phaseEnds <= now) {
        const Milliseconds end = *m_phaseEnds;
        countLampTime(end);
        enterPhase(m_power == Power::CountDown ? Power::On : Power::Standby, end);
    }
    countLampTime(now);
}

void ProjectorModel::countLampTime(Milliseconds until)
{
    if (lampLit())
        m_lampTime += until - m_updatedAt;
    m_updatedAt = until;
}

void ProjectorModel::enterPhase(Power power, Milliseconds now)
{
    m_power = power;
    m_phaseEnds.reset();
    if (power == Power::CountDown)
        m_phaseEnds = now + kCountDown;
    if (power == Power::Cooling)
        m_phaseEnds = now + kCooling;
    if (power == Power::Standby)
        m_pictureMuted = m_soundMuted = false;
}

// Power, mutes and inputs follow their commands; every other command changes nothing.
void ProjectorModel::apply(std::string_view command, Milliseconds now)
{
    if (command == "C00" && m_power == Power::Standby)
        enterPhase(Power::CountDown, now);
    else if (command == "C01" && lampLit())
        enterPhase(Power::Cooling, now);
    else if (command == "C0B" || command == "C0C")
        m_soundMuted = command == "C0B";
    else if (command == "C0D" || command == "C0E")
        m_pictureMuted = command == "C0D";
    const auto input = std::ranges::find(kInputCommands, command, &InputCommand::code);
    if (input != kInputCommands.end())
        m_inputMode = input->inputMode;
}

std::optional<std::string> ProjectorModel::query(std::string_view code) const
{
    if (code == "CR0") {
        constexpr std::array kPowerCodes{"80", "40", "00", "20"};
        return kPowerCodes[static_cast<std::size_t>(m_power)];
    }
    if (code == "CR1")
        return std::to_string(m_inputMode);
    if (code == "CR3")
        return std::to_string(std::chrono::duration_cast<std::chrono::hours>(m_lampTime).count());
    if (code == "CR4")
        return "11"; // picture neither flipped nor mirrored
    if (code == "CR6") {
        // Intake, exhaust and inside temperatures, at the positions the panel cuts them from.
        constexpr std::array kTemperatures{" 24.0, 25.0, 25.5", " 32.5, 48.0, 41.5",
                                           " 32.5, 48.0, 41.5", " 30.0, 40.0, 36.0"};
        return kTemperatures[static_cast<std::size_t>(m_power)];
    }
    if (code == "CR7")
        return lampLit() ? "03" : "00"; // both lamps of the two-lamp mode
    if (code == "CR9")
        return "PD71-SIM";
    if (code == "CRA") {
        if (m_power == Power::Standby)
            return "FF";
        return "0" + std::to_string((m_pictureMuted ? 1 : 0) + (m_soundMuted ? 2 : 0));
    }
    if (code == "CR PRESSURE")
        return "853"; // the sensor reading for 1013 hPa
    return std::nullopt;
}
