#pragma once

#include <functional>
#include <utility>
#include <vector>

// A value that the window shows. The logic sets it; the window observes it and updates the
// widget bound to it, and the traffic log may observe it too. Tests read it directly.
template <typename T>
class Observable
{
public:
    explicit Observable(T initial = T{}) : m_value(std::move(initial)) {}

    const T &get() const { return m_value; }

    void set(T value)
    {
        if (value == m_value)
            return;
        m_value = std::move(value);
        for (const auto &observer : m_observers)
            observer(m_value);
    }

    void observe(std::function<void(const T &)> observer)
    {
        m_observers.push_back(std::move(observer));
    }

private:
    T m_value;
    std::vector<std::function<void(const T &)>> m_observers;
};
