// Draws the main window with a few sample words into the PNG file named on the command line,
// for the README and the AppStream metainfo. scripts/screenshot runs it under Xvfb.
#include <QApplication>
#include <QTimer>

#include "clsDictionary.h"
#include "frmMain.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        qCritical("usage: lexivault_screenshot FILE.png");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);

    frmMain window;
    clsDictionary* dictionary = window.Dictionary;
    dictionary->CreateDictionary({}, QStringLiteral("Quillmark"), QStringLiteral("Sampler"));
    dictionary->AddWord(QStringLiteral("ephemeral"),
                        QStringLiteral("Lasting a very short time.\n\n"
                                       "The morning mist was ephemeral: gone before the first "
                                       "tram went by.\n\nFrom the Greek for \"lasting a day\"."));
    dictionary->AddWord(QStringLiteral("lexicon"),
                        QStringLiteral("The words of a language, or of one person or trade."));
    dictionary->AddWord(QStringLiteral("quill"), QStringLiteral("A pen made from a feather."));
    dictionary->AddWord(QStringLiteral("vault"),
                        QStringLiteral("A room or box where valuable things are kept safe."));
    dictionary->setDictionaryChanged(false);
    window.show();

    // Grabbed once the window has been laid out and painted.
    int status = 1;
    QTimer::singleShot(500, &window, [&] {
        status = window.grab().save(file) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return status;
}
