#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The state of a simulated projector and its answer to each line it receives. Time is given
// by the caller (milliseconds since the projector was switched on at the mains), so the
// phases and the lamp hours follow whatever clock drives it.
//
// Answers: a status query ("CR0" ... "CR PRESSURE") gets its value and a carriage return; a
// command ("C" and two hexadecimal digits) gets ACK, after it has taken effect; anything
// else gets NAK.
class ProjectorModel
{
public:
    using Milliseconds = std::chrono::milliseconds;

    enum class Power { Standby, CountDown, On, Cooling };

    static constexpr Milliseconds kCountDown{5000};
    static constexpr Milliseconds kCooling{10000};
    static constexpr int kLampHoursAtStart = 1250;
    static constexpr char kAck = '\x06';
    static constexpr char kNak = '\x15';

    // `line` is what came before the carriage return.
    std::string answer(std::string_view line, Milliseconds now);

    Power power(Milliseconds now);

private:
    void advanceTo(Milliseconds now);
    void countLampTime(Milliseconds until);
    void enterPhase(Power power, Milliseconds now);
    bool lampLit() const { return m_power == Power::CountDown || m_power == Power::On; }
    void apply(std::string_view command, Milliseconds now);
    std::optional<std::string> query(std::string_view code) const;

    Power m_power = Power::Standby;
    std::optional<Milliseconds> m_phaseEnds; // end of the count-down or the cooling
    Milliseconds m_updatedAt{0};
    Milliseconds m_lampTime = std::chrono::hours(kLampHoursAtStart);
    int m_inputMode = 1; // 1 computer 1, 2 computer 2, 3 video
    bool m_pictureMuted = false;
    bool m_soundMuted = false;
};
