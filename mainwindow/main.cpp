#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "frmMain.h"

// lexivault [FILE]: the editor, with FILE open when one is given, as a file manager starts it.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The name, not a display name: Qt would add a display name to every window's title.
    QApplication::setApplicationName(QStringLiteral("Lexivault"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lexivault"));

    const QStringList files = QApplication::arguments().mid(1);
    if (files.size() > 1) {
        std::fputs("usage: lexivault [FILE]\n", stderr);
        return 2;
    }
    frmMain window;
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, &files] { window.openAtStart(files.first()); });
    return app.exec();
}
