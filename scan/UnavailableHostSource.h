#pragma once

#include "HostSource.h"

// Stands for a scan method this build cannot run: it fails at once with a
// message, before anything is sent.
class UnavailableHostSource : public HostSource
{
    Q_OBJECT

public:
    using HostSource::HostSource;

    void begin() override;
    void request(quint32) override {}
};
