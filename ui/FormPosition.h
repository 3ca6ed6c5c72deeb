#pragma once

#include <QString>

class QWidget;

// Moves and sizes `window` to the position stored by hand under `key` in section
// "Others" of the settings file (INIData::ReadFormPosition, in twips); true when there
// was one.
bool RestoreFormPosition(QWidget& window, const QString& key);
