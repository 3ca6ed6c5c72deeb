#pragma once

#include <QWidget>

// The chat control that fills the program's window. The member list, the chat
// windows and the dialogs are not built yet: for now the control is an empty
// area, so the program starts and shows its window but cannot chat.
class PalavoCtrl : public QWidget
{
    Q_OBJECT
public:
    explicit PalavoCtrl(QWidget* parent = nullptr);
};
