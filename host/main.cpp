// Palavo XP: the top-level window that holds the chat control.
#include "client/PalavoCtrl.h"
#include "platform/MessageBoxService.h"
#include "platform/QtMessageBoxService.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtMessageBoxService messageBoxes;
    SetMessageBoxService(&messageBoxes);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Palavo XP"));
    window.setCentralWidget(new PalavoCtrl(&window)); // the window owns the control
    window.show();

    const int rc = app.exec();
    SetMessageBoxService(nullptr);
    return rc;
}
