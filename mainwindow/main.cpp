#include <QApplication>

#include "frmMain.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexivault"));
    QApplication::setApplicationDisplayName(QStringLiteral("Lexivault"));
    frmMain window;
    window.show();
    return app.exec();
}
