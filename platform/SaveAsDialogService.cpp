#include "SaveAsDialogService.h"

namespace
{

class CancellingDialogs : public ISaveAsDialogService
{
public:
    std::optional<QString> AskSavePath(const SaveAsRequest&) override { return std::nullopt; }
};

ISaveAsDialogService* g_installed = nullptr;

} // namespace

ISaveAsDialogService& SaveAsDialogs()
{
    static CancellingDialogs headless;
    return g_installed != nullptr ? *g_installed : headless;
}

void SetSaveAsDialogService(ISaveAsDialogService* service)
{
    g_installed = service;
}
