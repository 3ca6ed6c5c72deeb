#pragma once

#include <QString>

// The desktop's "open" operation (received files, "mailto:" links, the help page), behind
// an interface so that tests can record what would be opened.
class IShellService
{
public:
    virtual ~IShellService() = default;
    // Failures are the desktop's to report; callers go on regardless.
    virtual void Open(const QString& target) = 0;
};

// The process-wide service; QtShellService until another is installed.
IShellService& ShellService();
// The caller keeps ownership; pass null to go back to the built-in default.
void SetShellService(IShellService* service);
