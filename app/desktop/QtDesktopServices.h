#pragma once

#include "platform/DesktopServices.h"

// The desktop's handlers through QDesktopServices (xdg-open and friends on
// Linux). GUI thread only.
class QtDesktopServices : public DesktopServices
{
public:
    bool openUrl(const QUrl &url) override;
};
