#include "FormPosition.h"

#include "client/INIData.h"

#include <QWidget>

bool RestoreFormPosition(QWidget& window, const QString& key)
{
    const INIData::FormPosition position = INIData::ReadFormPosition(key);
    if (!position.found)
        return false;
    window.move(position.left, position.top);
    window.resize(position.width, position.height);
    return true;
}
