#pragma once

#include <QString>

// Opens a received file with the application the desktop associates with it. Through
// this service so that the component stays free of the desktop; until a host installs
// one, nothing is opened.
class IShellOpenService
{
public:
    virtual ~IShellOpenService() = default;
    // False when nothing could be opened.
    virtual bool OpenFile(const QString& path) = 0;
};

IShellOpenService& ShellOpener();
// The caller keeps ownership; pass null to go back to the built-in default.
void SetShellOpenService(IShellOpenService* service);
