#include "PalavoCtrl.h"

PalavoCtrl::PalavoCtrl(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(240, 360);
}
