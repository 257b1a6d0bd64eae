#pragma once

#include <QString>

// Distinct, valid addresses for the n-th made-up host of a benchmark: an IP
// in 10.0.0.0/8 and a MAC under one vendor prefix.
namespace BenchAddresses {

inline QString ip(int n)
{
    return QStringLiteral("10.%1.%2.%3").arg((n >> 16) & 255).arg((n >> 8) & 255).arg(n & 255);
}

inline QString mac(int n)
{
    return QStringLiteral("00-0A-%1-%2-%3-%4")
        .arg((n >> 24) & 255, 2, 16, QLatin1Char('0'))
        .arg((n >> 16) & 255, 2, 16, QLatin1Char('0'))
        .arg((n >> 8) & 255, 2, 16, QLatin1Char('0'))
        .arg(n & 255, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace BenchAddresses
