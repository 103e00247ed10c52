#pragma once

// What the benchmarks share: a set of timings printed as median and tails,
// and a wait that spins the event loop.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <algorithm>

namespace vorlith::bench {

/// Timings in nanoseconds, printed in microseconds or milliseconds.
class Figures
{
public:
    enum class Unit
    {
        Microseconds,
        Milliseconds,
    };
    explicit Figures(Unit unit = Unit::Microseconds) : m_unit(unit) {}

    qsizetype count() const { return m_values.size(); }

    void add(qint64 ns) { m_values.append(double(ns) / (m_unit == Unit::Microseconds ? 1e3 : 1e6)); }

    QString text()
    {
        if (m_values.isEmpty())
            return QStringLiteral("no samples");
        std::sort(m_values.begin(), m_values.end());
        const auto at = [this](double q) { return m_values[qsizetype(q * double(m_values.size() - 1))]; };
        const int digits = m_unit == Unit::Microseconds ? 1 : 2;
        const QString unit = m_unit == Unit::Microseconds ? QStringLiteral("us") : QStringLiteral("ms");
        return QStringLiteral("n=%1  median %2 %6  p90 %3 %6  p99 %4 %6  max %5 %6")
            .arg(m_values.size())
            .arg(at(0.5), 0, 'f', digits)
            .arg(at(0.9), 0, 'f', digits)
            .arg(at(0.99), 0, 'f', digits)
            .arg(m_values.last(), 0, 'f', digits)
            .arg(unit);
    }

private:
    Unit m_unit;
    QList<double> m_values;
};

/// Spins the event loop until \a done or 5 s have passed; false on time-out.
template <typename Done>
bool spinUntil(Done &&done)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

} // namespace vorlith::bench
