#pragma once

#include "platform/QtTrayService.h"

// The tray's icons, from the product's icon and the member list's presence icons: the
// product icon with the user's own presence as a member icon in its lower right corner,
// and the product icon greyed out while the user is not in the network.
QtTrayService::Icons PaintTrayIcons();
