#pragma once

#include "platform/OpenFileDialogService.h"

#include <QList>

#include <optional>
#include <vector>

// Answers the file-open dialogs from a script (nothing left: cancelled), recording them.
class ScriptedOpenFiles : public IOpenFileDialogService
{
public:
    std::optional<QString> AskOpenPath(const OpenFileRequest& request) override
    {
        Asked.push_back(request);
        return Answers.empty() ? std::nullopt : Answers.takeFirst();
    }
    std::vector<OpenFileRequest> Asked;
    QList<std::optional<QString>> Answers;
};
