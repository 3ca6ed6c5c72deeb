#pragma once

#include <QString>

#include <optional>

// The save-as dialog, asked through this service and never opened directly, so that
// palavo-cli and tests can answer it.
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

// For hosts without a display: every dialog counts as cancelled.
class CancellingSaveAsDialogs : public ISaveAsDialogService
{
public:
    std::optional<QString> AskSavePath(const SaveAsRequest&) override { return std::nullopt; }
};
