// The built program's command line, run as a user runs it on a machine without a display: --help
// and --version answer; an option that is neither the program's nor one of Qt's is a mistake,
// told with the usage on standard error and status 2, and so are two files; "--" ends the
// options; Qt's own options, in all their forms, are no mistake, and neither is a file alone.
#include <QtTest>

namespace {

struct Run
{
    int status = -1; // -1: it crashed or did not end
    QString output;
    QString error;
};

// Runs the program without a display.
Run lexivault(const QStringList& arguments)
{
    QProcess program; // in a locale Qt takes silently
    program.setEnvironment(QProcess::systemEnvironment().filter(QRegularExpression(
                               "^(?!DISPLAY=|WAYLAND_DISPLAY=|QT_QPA_PLATFORM=|LC_ALL=)"))
                           << "QT_QPA_PLATFORM=xcb" << "LC_ALL=C.UTF-8");
    program.start(LEXIVAULT_PROGRAM, arguments, QIODevice::ReadOnly | QIODevice::Text);
    Run run;
    if (program.waitForFinished() && program.exitStatus() == QProcess::NormalExit)
        run.status = program.exitCode();
    run.output = program.readAllStandardOutput();
    run.error = program.readAllStandardError();
    return run;
}

} // namespace

class tst_commandLine : public QObject
{
    Q_OBJECT

private slots:
    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // how standard output begins
        QTest::addColumn<QString>("error");  // how standard error begins
        const QString version = "lexivault " LEXIVAULT_VERSION "\n";
        const QString help =
            "Usage: " + QDir::toNativeSeparators(LEXIVAULT_PROGRAM) + " [options] [FILE]\n";
        const QString unknown = "Unknown option 'bogus'.\n\nUsage: ";
        const QStringList qtOptions{"-style=fusion", "--reverse", "-platform", "xcb"};
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "";
        QTest::newRow("-v after Qt's options") << qtOptions + QStringList("-v") << 0 << version
                                               << "";
        QTest::newRow("--help") << QStringList("--help") << 0 << help << "";
        QTest::newRow("an unknown option") << QStringList{"--bogus"} << 2 << "" << unknown;
        QTest::newRow("an unknown option after Qt's")
            << qtOptions + QStringList{"--bogus", "words.dyb"} << 2 << "" << unknown;
        QTest::newRow("two files after --") << QStringList{"--", "-a.dyb", "-b.dyb"} << 2 << ""
                                            << "Only one file can be opened.\n\nUsage: ";
    }

    void answersWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QString, error);
        const Run run = lexivault(arguments);
        QTEST(run.status, "status");
        QCOMPARE(run.output.left(output.size()), output);
        QCOMPARE(run.error.left(error.size()), error);
    }

    // A file alone, as a file manager's double-click gives it, is no mistake: the program goes on
    // to open its window, which it cannot do without a display.
    void aFileAloneIsNoMistake()
    {
        const Run run = lexivault({"words.dyb"});
        QVERIFY2(run.status != 0 && run.status != 2, qPrintable(QString::number(run.status)));
        QVERIFY2(!run.error.contains("Usage: "), qPrintable(run.error));
    }

    // --help or --version whose answer cannot be written, to a full disk, fails with status 1.
    void anAnswerThatCannotBeWrittenFails()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("No /dev/full here");
        QProcess program;
        program.setStandardOutputFile("/dev/full", QIODevice::Append);
        program.start(LEXIVAULT_PROGRAM, {"--version"});
        QVERIFY(program.waitForFinished());
        QCOMPARE(program.exitCode(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_commandLine)
#include "tst_commandLine.moc"
