#include "clsDictionary.h"

#include "DictionaryReader.h"
#include "DictionaryWriter.h"
#include "OleDate.h"
#include "PlatformFile.h"
#include "Windows1252.h"

clsDictionary::clsDictionary(QObject* parent) : QObject(parent)
{
    // Nobody listens yet, so the Closing and Renewed this raises reach no one.
    CreateDictionary();
}

clsDictionary::~clsDictionary()
{
    CloseDictionary();
}

QString clsDictionary::FileName() const
{
    return m_fileName;
}

void clsDictionary::setFileName(const QString& vNewValue)
{
    m_fileName = vNewValue;
    m_fileStamp = FileStamp(); // a file the document has not seen
}

bool clsDictionary::DictionaryChanged() const
{
    return m_changed;
}

void clsDictionary::setDictionaryChanged(bool vNewValue)
{
    m_changed = vNewValue;
}

QString clsDictionary::WordName(qint32 Index) const
{
    return IsIndexValid(Index) ? m_content.Words.word(Index) : QString();
}

void clsDictionary::setWordName(qint32 Index, const QString& vNewValue)
{
    if (!IsIndexValid(Index))
        return;
    m_content.Words.setWord(Index, vNewValue);
    MarkChanged(false);
}

QString clsDictionary::WordDescription(qint32 Index) const
{
    return IsIndexValid(Index) ? m_content.Words.description(Index) : QString();
}

void clsDictionary::setWordDescription(qint32 Index, const QString& vNewValue)
{
    if (!IsIndexValid(Index))
        return;
    m_content.Words.setDescription(Index, vNewValue);
    MarkChanged(false);
}

qint32 clsDictionary::WordCount() const
{
    return qint32(m_content.Words.size()) - 1;
}

QString clsDictionary::DictionaryPassword() const
{
    return m_content.Header.Password;
}

void clsDictionary::setDictionaryPassword(const QString& vNewValue)
{
    m_content.Header.Password = vNewValue;
    MarkChanged(false);
}

QString clsDictionary::DictionaryAuthor() const
{
    return m_content.Header.Author;
}

void clsDictionary::setDictionaryAuthor(const QString& vNewValue)
{
    m_content.Header.Author = vNewValue;
    MarkChanged(false);
}

QString clsDictionary::DictionaryName() const
{
    return m_content.Header.Name;
}

void clsDictionary::setDictionaryName(const QString& vNewValue)
{
    m_content.Header.Name = vNewValue;
    MarkChanged(false);
}

QString clsDictionary::DictionaryCreated() const
{
    return OleDate::toText(m_content.Header.Created);
}

bool clsDictionary::setDictionaryCreated(const QString& vNewValue)
{
    double created = 0;
    if (!OleDate::fromText(vNewValue, created))
        return false;
    m_content.Header.Created = created;
    MarkChanged(false);
    return true;
}

qint32 clsDictionary::OpenDictionary(const QString& sFile)
{
    // The file is read apart, so a failed open leaves the current content as it was.
    DictionaryContent opened;
    DictionaryReader reader(sFile);
    if (!reader.read(opened)) {
        m_failureReason = reader.failure();
        return -1;
    }
    m_failureReason.clear();
    m_content = std::move(opened);
    m_fileName = sFile;
    m_fileStamp = reader.stamp();
    m_changed = false;
    emit Opened();
    return 0;
}

qint32 clsDictionary::SaveDictionary(const QString& sFile)
{
    DictionaryWriter writer(sFile);
    const bool written = writer.write(m_content);
    m_failureReason = written ? QString() : writer.failure();
    // Once renamed, the file holds these words, and the document belongs to it even when the
    // save failed after the rename: no later save takes this one for another program's.
    if (writer.renamed()) {
        m_fileName = sFile;
        m_fileStamp = writer.stamp();
    }
    if (!written)
        return -1; // the changes still count as unsaved
    m_changed = false;
    return 0;
}

QString clsDictionary::FailureReason() const
{
    return m_failureReason;
}

bool clsDictionary::FileChangedOnDisk() const
{
    const FileStamp now = PlatformFile::stampOf(m_fileName);
    return now.exists && now != m_fileStamp;
}

bool clsDictionary::IsOwnFile(const QString& sFile) const
{
    if (m_fileName.isEmpty())
        return false;
    if (sFile == m_fileName)
        return true;
    const FileStamp chosen = PlatformFile::stampOf(sFile), own = PlatformFile::stampOf(m_fileName);
    // A system that names no inode cannot tell two files apart this way.
    return chosen.exists && own.exists && chosen.inode != 0 && chosen.inode == own.inode &&
           chosen.device == own.device;
}

bool clsDictionary::IsExistingFile(const QString& sFile)
{
    PlatformFile::Status status;
    int error = 0;
    return PlatformFile::statusOf(sFile, status, error) &&
           status.kind == PlatformFile::Kind::Regular;
}

bool clsDictionary::CanStoreEveryText() const
{
    return DictionaryWriter::encodesExactly(m_content);
}

void clsDictionary::CloseDictionary()
{
    emit Closing();
    m_content = DictionaryContent();
    m_fileName.clear();
    m_fileStamp = FileStamp();
    m_changed = false;
}

void clsDictionary::AddWord(const QString& sWord, const QString& sDescription)
{
    m_content.Words.append(sWord, sDescription);
    MarkChanged(true);
}

void clsDictionary::DeleteWord(qint32 Index)
{
    if (!IsIndexValid(Index))
        return;
    m_content.Words.remove(Index); // the last word gone, the table holds no storage
    MarkChanged(true);
}

void clsDictionary::FillComboBox(QStringList& ComboBox) const
{
    const qsizetype count = m_content.Words.size();
    ComboBox.reserve(ComboBox.size() + count);
    for (qsizetype i = 0; i < count; ++i)
        ComboBox.append(m_content.Words.word(i));
}

qint32 clsDictionary::FindWord(const QString& sText, qint32 Index) const
{
    return qint32(m_content.Words.findWord(sText, Index));
}

bool clsDictionary::IndexWords(qint32 Count) const
{
    return m_content.Words.indexWords(Count);
}

void clsDictionary::CreateDictionary(const QString& sPassword, const QString& sAuthor,
                                     const QString& sName)
{
    CloseDictionary();
    m_content.Header.Created = OleDate::now();
    m_content.Header.Author = sAuthor;
    m_content.Header.Name = sName;
    m_content.Header.Password = sPassword;
    emit Renewed();
}

bool clsDictionary::TextFits(const QString& text)
{
    return DictionaryWriter::textFits(text);
}

bool clsDictionary::TextStoresExactly(const QString& text)
{
    return Windows1252::canEncode(text);
}

DictionaryContent clsDictionary::Snapshot() const
{
    return m_content;
}

FileStamp clsDictionary::FileNameStamp() const
{
    return m_fileStamp;
}

void clsDictionary::RecoverDictionary(DictionaryContent content, const QString& sFile,
                                      const FileStamp& sFileStamp)
{
    m_content = std::move(content);
    m_fileName = sFile;
    m_fileStamp = sFileStamp;
    m_changed = true;
    emit Opened();
}

bool clsDictionary::IsIndexValid(qint32 Index) const
{
    return Index >= 0 && Index <= WordCount();
}

void clsDictionary::MarkChanged(bool WordAmoutChanged)
{
    emit Changed(WordAmoutChanged);
    m_changed = true;
}
