// The file chooser: what comes back in File, what the dialog offers, and when none shows.
#include "ModalAnswerer.h"
#include "clsOpenSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

class tst_openSave : public QObject
{
    Q_OBJECT

private slots:
    // File holds the chosen path as it was typed, no extension added, without the spaces around
    // it, when it fits in MaxFile - 1 characters (the platform's path limit less one by default);
    // it is empty when the path does not fit, which PathTooLong tells, or on cancel.
    void fileHoldsTheChosenPathOnlyWhenItFits()
    {
        QTemporaryDir dir;
        clsOpenSave chooser;
        QString folder = QDir(dir.path()).absolutePath();
        while (folder.size() < chooser.MaxFile() - 250)
            folder += '/' + QString(200, 'd');
        QVERIFY(QDir().mkpath(folder));
        const QString fits = folder + '/' + QString(chooser.MaxFile() - 2 - folder.size(), 'f');
        chooser.setFilter(QString("Dictionary database (*.dyb)|*.dyb|Word lists|*.txt;*.lst")
                              .replace('|', QChar(0)));
        ModalAnswerer answerer;
        answerer.act([](QWidget* window) {
            QCOMPARE(qobject_cast<QFileDialog*>(window)->nameFilters(),
                     QStringList({"Dictionary database (*.dyb)", "Word lists (*.txt *.lst)"}));
            static_cast<QDialog*>(window)->reject();
        });
        for (const QString& typed : {QString("mydictionary  "), fits, fits + 'f'})
            answerer.type(typed); // files that do not exist
        QStringList files;
        for (int run = 0; run < 4; ++run) {
            chooser.setFile("/earlier/choice.dyb");
            QVERIFY(chooser.SaveFile(nullptr, "Save dictionary"));
            files << chooser.File() + (chooser.PathTooLong() ? " too long" : "");
        }
        QVERIFY(answerer.done());
        QCOMPARE(answerer.seen.at(0).title, "Save dictionary");
        QCOMPARE(fits.size(), chooser.MaxFile() - 1);
        QCOMPARE(files, QStringList({"", QCoreApplication::applicationDirPath() + "/mydictionary",
                                     fits, " too long"}));
    }

    void maxFileBelowOneShowsNothingAndKeepsFile()
    {
        clsOpenSave chooser;
        chooser.setFile("/earlier/choice.dyb");
        chooser.setMaxFile(0);
        ModalAnswerer answerer; // records and fails on any dialog
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("MaxFile"));
        QVERIFY(!chooser.SaveFile(nullptr, "Save dictionary"));
        QCOMPARE(chooser.File(), "/earlier/choice.dyb");
        QVERIFY(answerer.seen.isEmpty());
    }
};

QTEST_MAIN(tst_openSave)
#include "tst_openSave.moc"
