#pragma once

#include "platform/ShellService.h"

// Opens targets with QDesktopServices: a URL with a scheme ("mailto:", "http:") as it
// is, anything else as a local file path.
class QtShellService : public IShellService
{
public:
    void Open(const QString& target) override;
};
