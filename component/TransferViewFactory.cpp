#include "TransferViewFactory.h"

#include "component/HeadlessTransferViews.h"

namespace
{
ITransferViewFactory* g_installed = nullptr;
}

ITransferViewFactory& TransferViews()
{
    static HeadlessTransferViews headless;
    return g_installed != nullptr ? *g_installed : headless;
}

void SetTransferViewFactory(ITransferViewFactory* factory)
{
    g_installed = factory;
}
