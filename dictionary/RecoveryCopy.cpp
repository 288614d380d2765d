#include "RecoveryCopy.h"

#include "DictionaryReader.h"
#include "DictionaryWriter.h"
#include "Windows1252.h"
#include "clsDictionary.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

namespace {

// The trailer after a copy's last word: its facts as JSON, their size as 4 bytes, then this mark.
constexpr char kTrailerMark[] = "LXVCOPY1";
constexpr qint64 kMarkSize = sizeof kTrailerMark - 1;
constexpr qint64 kTailSize = 4 + kMarkSize;

QJsonArray fromStamp(const FileStamp& stamp)
{
    // As text: nanoseconds since 1970 and inode numbers do not fit a JSON number exactly.
    QJsonArray fields;
    for (const qint64 field : {qint64(stamp.exists), stamp.size, stamp.modifiedNs,
                               qint64(stamp.device), qint64(stamp.inode)})
        fields.append(QString::number(field));
    return fields;
}

FileStamp toStamp(const QJsonArray& fields)
{
    FileStamp stamp;
    if (fields.size() != 5)
        return stamp;
    stamp.exists = fields.at(0).toString() == QLatin1String("1");
    stamp.size = fields.at(1).toString().toLongLong();
    stamp.modifiedNs = fields.at(2).toString().toLongLong();
    stamp.device = quint64(fields.at(3).toString().toLongLong());
    stamp.inode = quint64(fields.at(4).toString().toLongLong());
    return stamp;
}

// The texts the file would hold as '?', as typed: the header's, and those of changed and added
// words. Words as read from a file hold only what the file can.
QJsonObject exactTexts(const DictionaryContent& content)
{
    QJsonObject exact;
    const DictionaryHeader& header = content.Header;
    for (const auto& [key, text] : {std::pair{"name", &header.Name},
                                    std::pair{"author", &header.Author},
                                    std::pair{"password", &header.Password}}) {
        if (!Windows1252::canEncode(*text))
            exact.insert(QLatin1String(key), *text);
    }
    QJsonArray words;
    const WordTable& table = content.Words;
    for (qsizetype i = 0; i < table.size(); ++i) {
        if (table.isStored(i))
            continue;
        const WordEntry& entry = table.editedEntry(i);
        if (!Windows1252::canEncode(entry.Word) || !Windows1252::canEncode(entry.Description))
            words.append(QJsonArray{double(i), entry.Word, entry.Description});
    }
    if (!words.isEmpty())
        exact.insert(QLatin1String("words"), words);
    return exact;
}

// Only texts that a file can hold are taken, so that the recovered dictionary can be saved.
void restoreExactTexts(DictionaryContent& content, const QJsonObject& exact)
{
    const auto fits = [](const QJsonValue& text) {
        return text.isString() && DictionaryWriter::textFits(text.toString());
    };
    DictionaryHeader& header = content.Header;
    for (const auto& [key, text] : {std::pair{"name", &header.Name},
                                    std::pair{"author", &header.Author},
                                    std::pair{"password", &header.Password}}) {
        if (fits(exact.value(QLatin1String(key))))
            *text = exact.value(QLatin1String(key)).toString();
    }
    WordTable& table = content.Words;
    for (const QJsonValue& value : exact.value(QLatin1String("words")).toArray()) {
        const QJsonArray word = value.toArray();
        const qint64 index = qint64(word.at(0).toDouble(-1));
        if (word.size() != 3 || index < 0 || index >= table.size() || !fits(word.at(1)) ||
            !fits(word.at(2)))
            continue;
        table.setWord(index, word.at(1).toString());
        table.setDescription(index, word.at(2).toString());
    }
}

QByteArray trailer(const DictionaryContent& content, const QString& fileName,
                   const FileStamp& stamp)
{
    const QJsonObject facts{{QLatin1String("file"), fileName},
                            {QLatin1String("stamp"), fromStamp(stamp)},
                            {QLatin1String("exact"), exactTexts(content)}};
    QByteArray bytes = QJsonDocument(facts).toJson(QJsonDocument::Compact);
    const quint32 size = qToLittleEndian(quint32(bytes.size()));
    bytes.append(reinterpret_cast<const char*>(&size), sizeof size);
    bytes.append(kTrailerMark, kMarkSize);
    return bytes;
}

QJsonObject readTrailer(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < kTailSize ||
        !file.seek(file.size() - kTailSize))
        return {};
    const QByteArray tail = file.read(kTailSize);
    if (tail.size() != kTailSize || !tail.endsWith(kTrailerMark))
        return {};
    const qint64 size = qFromLittleEndian<quint32>(tail.constData());
    if (size > file.size() - kTailSize || !file.seek(file.size() - kTailSize - size))
        return {};
    return QJsonDocument::fromJson(file.read(size)).object();
}

bool writeCopy(const QString& path, const DictionaryContent& content, const QString& fileName,
               const FileStamp& stamp)
{
    const bool replacing = QFileInfo::exists(path);
    DictionaryWriter writer(path);
    writer.setTrailer(trailer(content, fileName, stamp));
    if (!writer.write(content))
        return false;
    // Every later copy keeps the mode of the one it replaces.
    return replacing || QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

RecoveryCopy::RecoveryCopy(clsDictionary* document, std::function<bool()> unsaved,
                           const QString& folder, QObject* parent)
    : QObject(parent), m_document(document), m_unsaved(std::move(unsaved)), m_folder(folder),
      m_id(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz-")) +
           QString::number(QCoreApplication::applicationPid()))
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &RecoveryCopy::startWrite);
}

RecoveryCopy::~RecoveryCopy()
{
    waitForWrite();
    if (m_discardPending)
        removeOwnCopy();
}

QString RecoveryCopy::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QLatin1String("/recovery");
}

QString RecoveryCopy::path() const
{
    return m_folder + QLatin1Char('/') + m_id + QLatin1String(".dyb");
}

QString RecoveryCopy::lockPath(const QString& copyPath) const
{
    return copyPath.chopped(4) + QLatin1String(".lock");
}

void RecoveryCopy::schedule()
{
    m_discardPending = false;
    if (!m_delay.isActive())
        m_delay.start();
}

void RecoveryCopy::settle()
{
    if (m_unsaved())
        schedule();
    else
        discard();
}

void RecoveryCopy::discard()
{
    m_delay.stop();
    m_writeAgain = false;
    // Waiting for the write would hold the window up; the copy goes once it has ended.
    if (m_writer)
        m_discardPending = true;
    else
        removeOwnCopy();
}

bool RecoveryCopy::writeNow()
{
    m_delay.stop();
    waitForWrite();
    if (!m_unsaved()) {
        removeOwnCopy();
        return true;
    }
    return lockOwnCopy() && writeCopy(path(), m_document->Snapshot(), m_document->FileName(),
                                      m_document->FileNameStamp());
}

void RecoveryCopy::startWrite()
{
    if (m_writer) {
        m_writeAgain = true;
        return;
    }
    if (!m_unsaved()) {
        removeOwnCopy();
        return;
    }
    if (!lockOwnCopy()) {
        qWarning("Lexivault: cannot keep a recovery copy in %s", qPrintable(m_folder));
        emit written(false);
        return;
    }
    // The snapshot shares the words with the document, and the thread reads only the snapshot.
    m_writer = QThread::create([this, path = path(), content = m_document->Snapshot(),
                                fileName = m_document->FileName(),
                                stamp = m_document->FileNameStamp()] {
        m_writeOk = writeCopy(path, content, fileName, stamp);
    });
    connect(m_writer, &QThread::finished, this, &RecoveryCopy::writeFinished);
    m_writer->start(QThread::LowPriority);
}

void RecoveryCopy::writeFinished()
{
    // A write that writeNow or the destructor waited for has been dealt with already.
    if (!m_writer || !m_writer->isFinished())
        return;
    waitForWrite();
    const bool ok = m_writeOk;
    if (m_discardPending) {
        removeOwnCopy();
    } else if (m_writeAgain) {
        m_writeAgain = false;
        startWrite();
    }
    emit written(ok);
}

void RecoveryCopy::waitForWrite()
{
    if (!m_writer)
        return;
    m_writer->wait();
    delete m_writer;
    m_writer = nullptr;
}

// The folder is the user's alone, and so is the lock that tells other runs the copy is in use.
bool RecoveryCopy::lockOwnCopy()
{
    if (m_lock)
        return true;
    if (!QDir().mkpath(m_folder) ||
        !QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    auto lock = std::make_shared<QLockFile>(lockPath(path()));
    lock->setStaleLockTime(0); // only a run that has ended leaves a lock that others may take
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    return true;
}

void RecoveryCopy::removeOwnCopy()
{
    m_discardPending = false;
    if (!m_lock)
        return;
    if (!QFile::remove(path()) && QFileInfo::exists(path()))
        qWarning("Lexivault: cannot remove the recovery copy %s", qPrintable(path()));
    m_lock.reset(); // and with it the lock's file
}

QList<RecoveryCopy::Leftover> RecoveryCopy::leftovers()
{
    QList<Leftover> found;
    const QFileInfoList copies = QDir(m_folder).entryInfoList(
        {QStringLiteral("*.dyb")}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& copy : copies) {
        if (copy.filePath() == path())
            continue;
        auto lock = std::make_shared<QLockFile>(lockPath(copy.filePath()));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue; // its run is still running
        const QString fileName =
            readTrailer(copy.filePath()).value(QLatin1String("file")).toString();
        found.append({copy.filePath(), fileName, std::move(lock)});
    }
    return found;
}

bool RecoveryCopy::recover(const Leftover& copy)
{
    DictionaryContent content;
    DictionaryReader reader(copy.path);
    if (!reader.read(content)) {
        m_failure = reader.failure();
        return false;
    }
    const QJsonObject facts = readTrailer(copy.path);
    restoreExactTexts(content, facts.value(QLatin1String("exact")).toObject());
    // The copy becomes this run's own before the document shows it, so that it is this copy that
    // follows the changes from now on.
    discard();
    waitForWrite();
    removeOwnCopy();
    m_id = QFileInfo(copy.path).completeBaseName();
    m_folder = QFileInfo(copy.path).absolutePath();
    m_lock = copy.lock;
    m_document->RecoverDictionary(std::move(content), copy.fileName,
                                  toStamp(facts.value(QLatin1String("stamp")).toArray()));
    return true;
}

bool RecoveryCopy::drop(const Leftover& copy)
{
    return QFile::remove(copy.path) || !QFileInfo::exists(copy.path);
}
