#include "ReplacingFile.h"

#include "FailureText.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

constexpr int kRandomLetters = 8;
const QString kMark = QStringLiteral(".lexivault-");

QString randomLetters()
{
    static const char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString letters;
    for (int i = 0; i < kRandomLetters; ++i)
        letters += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    return letters;
}

QString folderOf(const QString& path)
{
    return QFileInfo(path).path() + QLatin1Char('/');
}

} // namespace

ReplacingFile::ReplacingFile(const QString& sFile) : m_file(sFile) {}

ReplacingFile::~ReplacingFile()
{
    // Removed while still held; what cannot be removed now, the next save of the file removes.
    if (!m_renamed && !m_temporary.isEmpty())
        (void)PlatformFile::remove(m_temporary);
}

bool ReplacingFile::open()
{
    int error = 0;
    PlatformFile::Status replaced;
    // A link stays a link: its target is written, and a link that cannot be read fails the save
    // rather than have a file put in its place. A replaced file whose owner and mode cannot be
    // read fails it too, rather than change hands.
    if (!PlatformFile::resolveLinks(m_file, m_target, error) ||
        !PlatformFile::statusOf(m_target, replaced, error))
        return fail(error);
    if (replaced.kind != PlatformFile::Kind::Absent && replaced.kind != PlatformFile::Kind::Regular) {
        m_failure = FailureText::notAFile(m_file, replaced.kind);
        return false;
    }
    removeLeftoversOf(m_target);
    const QString prefix = folderOf(m_target) + temporaryPrefix(m_target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temporary = prefix + randomLetters();
        if (m_handle.createNew(temporary)) {
            m_temporary = temporary;
            m_handle.takeOwnerAndMode(replaced);
            return true;
        }
        if (!m_handle.exists())
            break;
    }
    return fail(m_handle.error());
}

bool ReplacingFile::write(const char* data, qint64 size)
{
    return m_handle.write(data, size) || fail(m_handle.error());
}

// The rename is the point of no return: from there on the file holds the new words, whatever
// fails after it.
bool ReplacingFile::commit()
{
    if (!m_handle.sync())
        return fail(m_handle.error());
    const FileStamp written = m_handle.stamp();
    if (!m_handle.renameOver(m_temporary, m_target))
        return fail(m_handle.error());
    m_renamed = true;
    m_stamp = written.exists ? written : PlatformFile::stampOf(m_target);
    m_handle.close();
    // The rename lasts through a power cut only once the folder is on disk.
    int error = 0;
    if (PlatformFile::syncFolderOf(m_target, error))
        return true;
    m_failure = FailureText::notConfirmed(m_file, qt_error_string(error));
    return false;
}

bool ReplacingFile::fail(int error)
{
    m_failure = PlatformFile::describe(error, m_file, PlatformFile::Access::Writing);
    return false;
}

void ReplacingFile::removeLeftovers(const QString& sFile)
{
    QString target;
    int error = 0;
    if (!sFile.isEmpty() && PlatformFile::resolveLinks(sFile, target, error))
        removeLeftoversOf(target);
}

// Leftovers of this file's saves only, never a file the user made. The case of letters is
// ignored, as some file systems ignore it: a leftover is garbage whichever file it was for.
void ReplacingFile::removeLeftoversOf(const QString& target)
{
    const QString prefix = temporaryPrefix(target), folder = folderOf(target);
    const auto isRandom = [](const QString& letters) {
        for (const QChar c : letters) {
            if (c.unicode() > 0x7f || !c.isLetterOrNumber())
                return false;
        }
        return true;
    };
    for (const QString& name : PlatformFile::entriesOf(folder)) {
        if (name.size() == prefix.size() + kRandomLetters &&
            name.startsWith(prefix, Qt::CaseInsensitive) && isRandom(name.mid(prefix.size())))
            PlatformFile::removeIfAbandoned(folder + name);
    }
}

// "." + the file's name + ".lexivault-", the name shortened where the whole would be longer
// than a file system's names may be (255 bytes).
QString ReplacingFile::temporaryPrefix(const QString& target)
{
    QString name = QFileInfo(target).fileName();
    const int room = 255 - 1 - int(kMark.size()) - kRandomLetters;
    while (QFile::encodeName(name).size() > room)
        name.chop(name.size() >= 2 && name.at(name.size() - 1).isLowSurrogate() ? 2 : 1);
    return QLatin1Char('.') + name + kMark;
}
