#include <QApplication>

#include "frmMain.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexivault"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lexivault"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lexivault"));
    frmMain window;
    window.show();
    return app.exec();
}
