// The built program's command line, run as a user runs it on a machine without a display: --help
// and --version answer; an option that is neither the program's nor one of Qt's is a mistake,
// told with the usage on standard error and status 2, and so are two files; "--" ends the
// options; Qt's own options, in all their forms, are no mistake.
#include <QtTest>

class tst_commandLine : public QObject
{
    Q_OBJECT

    // "status|standard output|standard error" of a run without a display.
    static QString lexivault(const QStringList& arguments)
    {
        QProcess program; // in a locale Qt takes silently
        program.setEnvironment(QProcess::systemEnvironment().filter(QRegularExpression(
                                   "^(?!DISPLAY=|WAYLAND_DISPLAY=|QT_QPA_PLATFORM=|LC_ALL=)"))
                               << "QT_QPA_PLATFORM=xcb" << "LC_ALL=C.UTF-8");
        program.start(LEXIVAULT_PROGRAM, arguments, QIODevice::ReadOnly | QIODevice::Text);
        const int status = program.waitForFinished() && program.exitStatus() == QProcess::NormalExit
                               ? program.exitCode()
                               : -1;
        return QString::number(status) + '|' + program.readAllStandardOutput() + '|' +
               program.readAllStandardError();
    }

private slots:
    void answersWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // how the run's outcome begins
        const QString version = "0|lexivault " LEXIVAULT_VERSION "\n|", usage = "\n\nUsage: ";
        QTest::newRow("--version") << QStringList{"--version"} << version;
        QTest::newRow("-v after Qt's options")
            << QStringList{"-style=fusion", "--reverse", "-platform", "xcb", "-v"} << version;
        QTest::newRow("--help") << QStringList{"--help"}
                                << "0|Usage: " + QDir::toNativeSeparators(LEXIVAULT_PROGRAM) +
                                       " [options] [FILE]\n";
        QTest::newRow("an unknown option") << QStringList{"--bogus"}
                                           << "2||Unknown option 'bogus'." + usage;
        QTest::newRow("an unknown option after Qt's")
            << QStringList{"-platform", "offscreen", "--bogus", "words.dyb"}
            << "2||Unknown option 'bogus'." + usage;
        QTest::newRow("two files after --") << QStringList{"--", "-a.dyb", "-b.dyb"}
                                            << "2||Only one file can be opened." + usage;
    }

    void answersWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        const QString outcome = lexivault(arguments);
        QVERIFY2(outcome.startsWith(answer), qPrintable(outcome));
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
