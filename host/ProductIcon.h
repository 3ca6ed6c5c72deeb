#pragma once

#include <QIcon>
#include <QImage>

// The product's icon, painted by code so that the window icon and the icon files that
// are installed for the desktop come from one drawing: two speech balloons, the front
// one with three dots.
QImage PaintProductIcon(int size);

// Every size the desktop asks for, in one icon.
QIcon ProductIcon();
