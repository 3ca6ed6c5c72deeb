#include "HeadlessServices.h"

PlatformServices HeadlessServices::Services()
{
    return {MessageBoxes, Beeps, SaveAs, Shell, TransferViews, OpenFile, Calls, Notifications};
}
