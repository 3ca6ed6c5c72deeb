#include "FormPosition.h"

#include "client/INIData.h"
#include "ui/Twips.h"

#include <QWidget>

bool RestoreFormPosition(QWidget& window, const QString& key)
{
    const INIData::FormPosition position = INIData::ReadFormPosition(key);
    if (!position.found)
        return false;
    // The stored values are twips, as the windows were designed in.
    window.move(TwipsToPixels(&window, position.left), TwipsToPixels(&window, position.top));
    window.resize(TwipsToPixels(&window, position.width), TwipsToPixels(&window, position.height));
    return true;
}
