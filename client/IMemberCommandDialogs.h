#pragma once

#include <QString>

// The dialogs the member commands open, supplied by the view: the file-send dialog and
// the call confirmation. Both are modal.
class IMemberCommandDialogs
{
public:
    virtual ~IMemberCommandDialogs() = default;
    // The file-send dialog to `destAddress`, showing `file` (may be empty) and the
    // member's nickname.
    virtual void ShowFileTrans(const QString& destAddress, const QString& file,
                               const QString& aliase) = 0;
    // The call confirmation for `aliase`, offering video when `offerVideo`. True when the
    // user pressed OK; `video` is then the user's choice.
    virtual bool ConfirmVoIP(const QString& aliase, bool offerVideo, bool& video) = 0;
};
