#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

#include "frmMain.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

// A window program on Windows has no console of its own: text for a stream that leads nowhere
// goes to the console that started the program, if one did. Elsewhere the stream is kept.
FILE* toConsole(FILE* stream)
{
#ifdef Q_OS_WIN
    const DWORD which = stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    if (GetFileType(GetStdHandle(which)) == FILE_TYPE_UNKNOWN &&
        (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED)) {
        FILE* console = nullptr;
        if (fopen_s(&console, "CONOUT$", "w") == 0)
            return console; // closed, and so written, as the program ends
    }
#endif
    return stream;
}

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Lexivault, an editor for personal dictionaries."));
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")},
                      QStringLiteral("Displays help on command-line options.")});
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The dictionary (.dyb) to open. After \"--\", a "
                                                "name that begins with \"-\" is a file's too."),
                                 QStringLiteral("[FILE]"));
}

// Answers --help, --version and mistakes, with the status to exit with; -1 when the editor is to
// start. Before the window system has taken its own options (-platform, -style, ...), a command
// line that does not parse is left to the second look.
int answerCommandLine(QCommandLineParser& parser, const QStringList& arguments, bool qtOptionsTaken)
{
    const bool parsed = parser.parse(arguments);
    if (!parsed && !qtOptionsTaken)
        return -1;
    if (!parsed || parser.positionalArguments().size() > 1) {
        const QString mistake =
            parsed ? QStringLiteral("Only one file can be opened.") : parser.errorText();
        std::fprintf(toConsole(stderr), "%s\n\n%s", qPrintable(mistake),
                     qPrintable(parser.helpText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), toConsole(stdout));
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::fputs("lexivault " LEXIVAULT_VERSION "\n", toConsole(stdout));
        return 0;
    }
    return -1;
}

} // namespace

// lexivault [FILE]: the editor, with FILE open when one is given, as a file manager starts it.
int main(int argc, char* argv[])
{
    // --help and --version need no display, so they are answered before the window system starts.
    {
        const QCoreApplication withoutWindows(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser);
        if (const int status = answerCommandLine(parser, QCoreApplication::arguments(), false);
            status >= 0)
            return status;
    }
    QApplication app(argc, argv);
    // The name, not a display name: Qt would add a display name to every window's title.
    QApplication::setApplicationName(QStringLiteral("Lexivault"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("lexivault"));

    QCommandLineParser parser;
    describeCommandLine(parser);
    if (const int status = answerCommandLine(parser, QApplication::arguments(), true); status >= 0)
        return status;
    const QStringList files = parser.positionalArguments();
    frmMain window;
    // The entry dialogs, which have no parent, show the main window's icon too.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, &files] { window.openFromDesktop(files.first()); });
    return app.exec();
}
