#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "TerminationSignals.h"
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

// The command line without Qt's own options (-platform offscreen, -style=fusion, --reverse, ...),
// which QApplication takes for itself: what is left is the program's, or a mistake, which is then
// told without a display.
QStringList withoutQtOptions(const QStringList& arguments)
{
    static const QStringList withValue{"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "geometry",
                                       "qwindowicon",
                                       "icon",
                                       "qwindowtitle",
                                       "title",
                                       "session",
                                       "display",
                                       "name",
                                       "style",
                                       "stylesheet"};
    static const QStringList alone{"reverse", "widgetcount", "nograb",
                                   "dograb",  "testability", "qmljsdebugger"};
    QStringList kept = arguments.mid(0, 1);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            kept += arguments.mid(i);
            break;
        }
        const QString option = argument.startsWith(QLatin1String("--")) ? argument.mid(2)
                               : argument.startsWith(QLatin1Char('-'))  ? argument.mid(1)
                                                                        : QString();
        const QString name = option.section(QLatin1Char('='), 0, 0);
        if (withValue.contains(name))
            i += option.contains(QLatin1Char('=')) ? 0 : 1;
        else if (!alone.contains(name))
            kept << argument;
    }
    return kept;
}

// Writes text whole to stream; false when it did not get there (a full disk, a closed pipe).
bool print(FILE* stream, const QString& text)
{
    return std::fputs(qPrintable(text), stream) >= 0 && std::fflush(stream) == 0;
}

// Answers --help, --version and mistakes, with the status to exit with; -1 when the editor is to
// start. An answer that cannot be written is a failure, status 1.
int answerCommandLine(QCommandLineParser& parser, const QStringList& arguments)
{
    const bool parsed = parser.parse(arguments);
    if (!parsed || parser.positionalArguments().size() > 1) {
        const QString mistake =
            parsed ? QStringLiteral("Only one file can be opened.") : parser.errorText();
        print(toConsole(stderr), mistake + QLatin1String("\n\n") + parser.helpText());
        return 2; // nothing better to say should standard error be lost too
    }
    if (parser.isSet(QStringLiteral("help")))
        return print(toConsole(stdout), parser.helpText()) ? 0 : 1;
    if (parser.isSet(QStringLiteral("version")))
        return print(toConsole(stdout), QStringLiteral("lexivault " LEXIVAULT_VERSION "\n")) ? 0
                                                                                             : 1;
    return -1;
}

// The window whose unsaved changes are written out should the process end by exit(), as Qt's X11
// connection does when the display goes away.
frmMain* g_window = nullptr;

void keepUnsavedChangesAtExit()
{
    if (g_window)
        g_window->keepUnsavedChanges();
}

} // namespace

// lexivault [FILE]: the editor, with FILE open when one is given, as a file manager starts it.
int main(int argc, char* argv[])
{
    // --help, --version and mistakes need no display, so they are answered before the window
    // system starts.
    {
        const QCoreApplication withoutWindows(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser);
        if (const int status =
                answerCommandLine(parser, withoutQtOptions(QCoreApplication::arguments()));
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
    if (const int status = answerCommandLine(parser, QApplication::arguments()); status >= 0)
        return status;
    const QStringList files = parser.positionalArguments();
    frmMain window;
    // The entry dialogs, which have no parent, show the main window's icon too.
    QApplication::setWindowIcon(window.windowIcon());
    window.show();

    // The end of the session, or of the terminal, ends the program at once, its unsaved changes
    // kept for the next start; so does the loss of the display.
    TerminationSignals endOfSession;
    QObject::connect(&endOfSession, &TerminationSignals::received, &window, [&window](int signal) {
        window.keepUnsavedChangesAndTyping();
        TerminationSignals::endAsUnhandled(signal);
    });
    g_window = &window;
    std::atexit(keepUnsavedChangesAtExit);

    QTimer::singleShot(0, &window, [&window, &files] {
        window.offerRecovery();
        if (!files.isEmpty())
            window.openFromDesktop(files.first());
    });
    const int status = app.exec();
    g_window = nullptr;
    return status;
}
