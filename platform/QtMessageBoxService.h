#pragma once

#include "MessageBoxService.h"

// Real, modal message boxes for the program.
class QtMessageBoxService : public IMessageBoxService
{
public:
    MessageBoxAnswer Show(QObject* owner, const MessageBoxRequest& request) override;
};
