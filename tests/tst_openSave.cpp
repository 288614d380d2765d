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
    // File holds the chosen path as it was typed, no extension added, when it fits in
    // MaxFile - 1 characters (254 by default), and is empty when it does not or on cancel.
    void fileHoldsTheChosenPathOnlyWhenItFits()
    {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).absoluteFilePath(QString(100, 'd'));
        QVERIFY(QDir().mkpath(folder));
        const QString fits = folder + '/' + QString(253 - folder.size(), 'f');
        clsOpenSave chooser;
        chooser.setFilter(QString("Dictionary database (*.dyb)|*.dyb|Word lists|*.txt;*.lst")
                              .replace('|', QChar(0)));
        ModalAnswerer answerer;
        answerer.act([](QWidget* window) {
            QCOMPARE(qobject_cast<QFileDialog*>(window)->nameFilters(),
                     QStringList({"Dictionary database (*.dyb)", "Word lists (*.txt *.lst)"}));
            static_cast<QDialog*>(window)->reject();
        });
        for (const QString& typed : {QString("mydictionary"), fits, fits + 'f'})
            answerer.type(typed); // files that do not exist
        QStringList files;
        for (int run = 0; run < 4; ++run) {
            chooser.setFile("/earlier/choice.dyb");
            QVERIFY(chooser.SaveFile(nullptr, "Save dictionary"));
            files << chooser.File();
        }
        QVERIFY(answerer.done());
        QCOMPARE(answerer.seen.at(0).title, "Save dictionary");
        QCOMPARE(files, QStringList({"", QCoreApplication::applicationDirPath() + "/mydictionary",
                                     fits, ""}));
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
