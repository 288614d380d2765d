#pragma once

#include "DictionaryContent.h"
#include "FileStamp.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The dictionary document: a header, an ordered word table, the file it belongs to and
// whether it has unsaved changes. Every change is announced synchronously to the listener.
class clsDictionary : public QObject
{
    Q_OBJECT
public:
    explicit clsDictionary(QObject* parent = nullptr);
    ~clsDictionary() override;

    QString FileName() const;
    void setFileName(const QString& vNewValue);
    bool DictionaryChanged() const;
    void setDictionaryChanged(bool vNewValue);
    QString WordName(qint32 Index) const;
    void setWordName(qint32 Index, const QString& vNewValue);
    QString WordDescription(qint32 Index) const;
    void setWordDescription(qint32 Index, const QString& vNewValue);
    // The highest index of a word, which is one less than the number of words: -1 when there are
    // none. Not a count.
    qint32 WordCount() const;
    QString DictionaryPassword() const;
    void setDictionaryPassword(const QString& vNewValue);
    QString DictionaryAuthor() const;
    void setDictionaryAuthor(const QString& vNewValue);
    QString DictionaryName() const;
    void setDictionaryName(const QString& vNewValue);
    QString DictionaryCreated() const;
    bool setDictionaryCreated(const QString& vNewValue); // false: not a date-time, nothing changed
    qint32 OpenDictionary(const QString& sFile);         // 0 success, -1 failure
    qint32 SaveDictionary(const QString& sFile);         // 0 success, -1 failure
    // Why the last OpenDictionary or SaveDictionary failed, in one or two sentences that name the
    // file, for instance "words.dyb: No space left on device."; empty after a success.
    QString FailureReason() const;
    // Whether another program has written FileName, or put another file in its place, since the
    // document last read or wrote it. A file that has gone has nothing to lose, and is not.
    bool FileChangedOnDisk() const;
    // Whether sFile is the file the dictionary belongs to: the same name or, when both exist, the
    // same file under another name (a symbolic or a hard link, another spelling of its path).
    bool IsOwnFile(const QString& sFile) const;
    // Whether sFile names an existing regular file, or a link to one.
    static bool IsExistingFile(const QString& sFile);
    // Whether the file can hold every text as it is; a character its code page lacks is saved
    // as '?'.
    bool CanStoreEveryText() const;
    void CloseDictionary();
    void AddWord(const QString& sWord, const QString& sDescription);
    void DeleteWord(qint32 Index);
    void
    FillComboBox(QStringList& ComboBox) const; // appends every word, index 0 first; never clears
    // The first word from Index on, then from the first word on, that begins with sText, letter
    // case ignored; -1 when none does. Index out of range searches from the first word.
    qint32 FindWord(const QString& sText, qint32 Index) const;
    // Prepares up to Count more words for FindWord, which otherwise prepares those it comes to
    // itself; true once every word is prepared.
    bool IndexWords(qint32 Count) const;
    void CreateDictionary(const QString& sPassword = {}, const QString& sAuthor = {},
                          const QString& sName = {});

    // Whether one text fits the file, whose texts hold at most 65,535 bytes each.
    static bool TextFits(const QString& text);
    // Whether the file stores every character of text as it is, none as '?'.
    static bool TextStoresExactly(const QString& text);

    // The content as it is now, for a writer on another thread. It shares the words with the
    // document until either of them changes, so taking it costs no copy of them.
    DictionaryContent Snapshot() const;
    // What FileName was when the document last read or wrote it.
    FileStamp FileNameStamp() const;
    // Takes content kept from a run that ended with unsaved changes: it belongs to sFile, which
    // was sFileStamp when that run last read or wrote it, and it counts as changed. Raises
    // Opened.
    void RecoverDictionary(DictionaryContent content, const QString& sFile,
                           const FileStamp& sFileStamp);

signals:
    void Closing();
    void Changed(bool WordAmoutChanged);
    void Opened();
    void Renewed();

private:
    bool IsIndexValid(qint32 Index) const;
    void MarkChanged(bool WordAmoutChanged);

    QString m_fileName;
    FileStamp m_fileStamp; // FileName as last read or written
    QString m_failureReason;
    bool m_changed = false;
    DictionaryContent m_content;
};
