#include "ModalAnswerer.h"
#include "clsOpenSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString dictionaryFilter = QStringLiteral("Dictionary database (*.dyb)") + QChar(0) + "*.dyb";

// An absolute path of exactly the given length inside dir, with no name longer than file
// systems allow.
QString pathOfLength(QString path, int length)
{
    while (length - path.size() > 200) {
        path += '/' + QString(150, 'd');
        QDir().mkpath(path);
    }
    return path + '/' + QString(length - path.size() - 1, 'f');
}

} // namespace

class tst_openSave : public QObject
{
    Q_OBJECT

    clsOpenSave chooser;

private slots:
    void init()
    {
        chooser = clsOpenSave();
        chooser.setFilter(dictionaryFilter);
        chooser.setFile("/earlier/choice.dyb");
    }

    void cancelEmptiesFile()
    {
        ModalAnswerer answerer;
        answerer.cancel();
        QVERIFY(chooser.OpenFile(nullptr, "Open dictionary"));
        QCOMPARE(chooser.File(), QString());
    }

    void pathMustFitMaxFile_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("fits");
        QTest::newRow("254 characters") << 254 << true;
        QTest::newRow("255 characters") << 255 << false;
    }

    void pathMustFitMaxFile()
    {
        QFETCH(int, length);
        QFETCH(bool, fits);
        QTemporaryDir dir;
        const QString path = pathOfLength(QDir(dir.path()).absolutePath(), length);
        QCOMPARE(path.size(), length);
        ModalAnswerer answerer;
        answerer.type(path); // a file that does not exist, to open as well as to save
        answerer.type(path);
        QVERIFY(chooser.OpenFile(nullptr, "Open dictionary"));
        QCOMPARE(chooser.File(), fits ? path : QString());
        QVERIFY(chooser.SaveFile(nullptr, "Save dictionary"));
        QCOMPARE(chooser.File(), fits ? path : QString());
        QVERIFY(answerer.done());
    }

    void maxFileBelowOneIsRefused()
    {
        chooser.setMaxFile(0);
        ModalAnswerer answerer; // fails on any dialog
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("MaxFile"));
        QVERIFY(!chooser.SaveFile(nullptr, "Save dictionary"));
        QCOMPARE(chooser.File(), "/earlier/choice.dyb");
        QVERIFY(answerer.seen.isEmpty());
    }

    void openAfterSaveShowsItsOwnRequest()
    {
        chooser.setFilter(dictionaryFilter + QChar(0) + "Word lists" + QChar(0) + "*.txt;*.lst");
        QWidget owner;
        ModalAnswerer answerer;
        answerer.type("mydictionary");
        answerer.act([&owner](QWidget* window) {
            auto* shown = qobject_cast<QFileDialog*>(window);
            QVERIFY(shown->findChild<QLineEdit*>("fileNameEdit")->text().isEmpty());
            QCOMPARE(shown->nameFilters(),
                     QStringList({"Dictionary database (*.dyb)", "Word lists (*.txt *.lst)"}));
            QCOMPARE(shown->selectedNameFilter(), "Dictionary database (*.dyb)");
            QCOMPARE(shown->directory().absolutePath(), QCoreApplication::applicationDirPath());
            QCOMPARE(shown->parentWidget(), &owner);
            shown->reject();
        });
        QVERIFY(chooser.SaveFile(&owner, "Save dictionary"));
        // No extension is added to a typed name.
        QCOMPARE(chooser.File(), QCoreApplication::applicationDirPath() + "/mydictionary");
        QVERIFY(chooser.OpenFile(&owner, "Open dictionary"));
        QCOMPARE(chooser.File(), QString());
        QVERIFY(answerer.done());
        QCOMPARE(answerer.seen.at(0).title, "Save dictionary");
        QCOMPARE(answerer.seen.at(1).title, "Open dictionary");
    }
};

QTEST_MAIN(tst_openSave)
#include "tst_openSave.moc"
