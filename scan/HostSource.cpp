#include "scan/HostSource.h"

HostSource::HostSource(const ScanRange &range, const Pacing &pacing, QObject *parent)
    : QObject(parent), m_range(range), m_pacing(pacing)
{
}
