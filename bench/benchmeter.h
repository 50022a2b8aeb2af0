#pragma once

#include <QElapsedTimer>

#include <sys/resource.h>

// CPU seconds used so far by this process (RUSAGE_SELF), or by its
// waited-for children (RUSAGE_CHILDREN).
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage {};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and CPU time of one measured stretch; negative when not measured.
struct Cost
{
    double wall = -1;
    double cpu = -1;
};

// Measures from its making to stop().
class Meter
{
public:
    explicit Meter(int who = RUSAGE_SELF)
        : m_who(who)
        , m_cpu(cpuSeconds(who))
    {
        m_timer.start();
    }
    Cost stop() const { return { m_timer.nsecsElapsed() / 1e9, cpuSeconds(m_who) - m_cpu }; }

private:
    int m_who;
    double m_cpu;
    QElapsedTimer m_timer;
};
