#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

class QLockFile;
class QThread;
class clsDictionary;

// A copy of a dictionary's unsaved changes, kept in a folder of the user's own, so that a crash,
// a kill, a lost display or the end of a session loses at most the last few seconds of work.
//
// The copy is a .dyb file written by the document's own writer, from a snapshot taken on the
// user-interface thread and written on a thread of its own a few seconds after a change. After
// its last word it carries what a dictionary file cannot: the file the dictionary belongs to,
// what that file was when the run last read or wrote it, and, as typed, every text with a
// character that the file's code page lacks. Each run holds a lock on its own copy, so that no
// other run takes a copy that is still in use.
class RecoveryCopy : public QObject
{
    Q_OBJECT
public:
    // A copy left by a run that has ended, held by this run until it is recovered or dropped, or
    // until the last Leftover that holds it goes.
    struct Leftover
    {
        QString path;
        QString fileName; // the dictionary's own file; empty for one that never had a file
        std::shared_ptr<QLockFile> lock;
    };

    // The delay between a change and the write of the copy that holds it.
    static constexpr int kDelayMs = 3000;

    // unsaved tells whether the document holds changes worth keeping.
    RecoveryCopy(clsDictionary* document, std::function<bool()> unsaved, const QString& folder,
                 QObject* parent = nullptr);
    ~RecoveryCopy() override;

    // recovery/ in the user's local data folder of the program.
    static QString defaultFolder();

    // The document changed: the copy follows within the delay.
    void schedule();
    // The document was saved, opened or replaced: the copy follows what is left unsaved, and goes
    // when nothing is.
    void settle();
    // The unsaved changes were dropped on purpose: the copy goes.
    void discard();
    // Writes the copy at once, after a write under way, for a process about to end; when nothing
    // is unsaved the copy goes instead. True when whatever is unsaved is on disk.
    bool writeNow();

    // The copies of runs that have ended, oldest first.
    QList<Leftover> leftovers();
    // Reads a leftover into the document, which then shows it as unsaved changes of its file, and
    // makes it this run's own copy. False when it cannot be read, which failure() explains: it
    // stays for a later start.
    bool recover(const Leftover& copy);
    QString failure() const { return m_failure; }
    // Deletes a leftover; false when it could not be deleted.
    static bool drop(const Leftover& copy);

    // This run's copy, whether or not it exists.
    QString path() const;

signals:
    // A write of the copy on its thread has ended; ok when the copy is on disk.
    void written(bool ok);

private:
    void startWrite();
    void writeFinished();
    void waitForWrite();
    bool lockOwnCopy();
    void removeOwnCopy();
    QString lockPath(const QString& copyPath) const;

    clsDictionary* m_document;
    std::function<bool()> m_unsaved;
    QString m_folder;
    QString m_id;
    std::shared_ptr<QLockFile> m_lock; // held while this run's copy may exist
    QTimer m_delay;
    QThread* m_writer = nullptr;
    std::atomic<bool> m_writeOk{false};
    bool m_writeAgain = false;     // a change came while the copy was being written
    bool m_discardPending = false; // the copy goes once the write under way has ended
    QString m_failure;
};
