#pragma once

// The peak memory of a piece of work alone, for the benchmarks: the process's high-water mark is
// reset to what it holds now (writing 5 to /proc/self/clear_refs), so that what came before (the
// seeding above all) does not set it; afterwards VmHWM is the peak of that work.

#include <QByteArray>
#include <QFile>

#include <cstdio>

// A "Vm...:" figure of /proc/self/status in KiB; -1 when it cannot be read.
inline long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

class PeakMemory
{
public:
    void start()
    {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        m_reset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        m_startKiB = statusKiB("VmRSS:");
        if (!m_reset)
            std::fprintf(stderr, "cannot reset the peak memory (/proc/self/clear_refs); its figures are left out\n");
    }
    // The peak since start() (-1 when it cannot be told).
    long peakKiB() const { return m_reset ? statusKiB("VmHWM:") : -1; }
    // How far the peak rose above what the process held at start() (-1 when it cannot be told).
    long growthKiB() const { return m_reset && m_startKiB >= 0 ? peakKiB() - m_startKiB : -1; }

private:
    bool m_reset = false;
    long m_startKiB = -1;
};
