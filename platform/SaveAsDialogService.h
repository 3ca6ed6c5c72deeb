#pragma once

#include <QString>

#include <optional>

// The save-as dialog, asked through this service and never opened directly, so that
// palavo-cli and tests can answer it. Until a host installs one, every dialog counts
// as cancelled.
struct SaveAsRequest {
    QString FileName;                                         // pre-filled name
    QString Filter = QStringLiteral("ALL Files (*.*)|*.*||"); // description|pattern pairs
    bool ConfirmOverwrite = true;
};

class ISaveAsDialogService
{
public:
    virtual ~ISaveAsDialogService() = default;
    // Modal, without an owner window. The chosen path, or nothing when cancelled.
    virtual std::optional<QString> AskSavePath(const SaveAsRequest& request) = 0;
};

ISaveAsDialogService& SaveAsDialogs();
// The caller keeps ownership; pass null to go back to the built-in default.
void SetSaveAsDialogService(ISaveAsDialogService* service);
