#pragma once

#include <QString>

// The desktop's "open" operation (a received file, a "mailto:" link, the help page),
// behind a service so that the libraries stay free of the desktop, palavo-cli can print
// what would be opened and tests can record it. The program uses QtShellService.
class IShellService
{
public:
    virtual ~IShellService() = default;
    // Failures are the desktop's to report; callers go on regardless.
    virtual void Open(const QString& target) = 0;
};

// For hosts without a desktop: nothing is opened, and the debug output says so.
class HeadlessShell : public IShellService
{
public:
    void Open(const QString& target) override;
};
