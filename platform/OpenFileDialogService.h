#pragma once

#include <QString>

#include <optional>

// The desktop's file-open dialog, asked through this service and never opened directly,
// so that tests and hosts without a display can answer it.
struct OpenFileRequest {
    QString Folder;                                           // where the dialog starts
    QString Filter = QStringLiteral("ALL Files (*.*)|*.*||"); // description|pattern pairs
};

class IOpenFileDialogService
{
public:
    virtual ~IOpenFileDialogService() = default;
    // Modal, without an owner window. The chosen path, or nothing when cancelled.
    virtual std::optional<QString> AskOpenPath(const OpenFileRequest& request) = 0;
};

// For hosts without a display: every choice of a file counts as cancelled.
class CancellingOpenFileDialogs : public IOpenFileDialogService
{
public:
    std::optional<QString> AskOpenPath(const OpenFileRequest&) override { return std::nullopt; }
};
