#include "FailureText.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

// The system's texts come without a full stop on Unix and with one on Windows.
QString sentence(QString text)
{
    text = text.trimmed();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

} // namespace

QString FailureText::nameOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QDir::toNativeSeparators(path) : name;
}

QString FailureText::system(const QString& path, const QString& systemText)
{
    return nameOf(path) + QLatin1String(": ") + sentence(systemText);
}

QString FailureText::notAFile(const QString& path, PlatformFile::Kind kind)
{
    const char* what = nullptr;
    switch (kind) {
    case PlatformFile::Kind::Folder:
        what = "a folder";
        break;
    case PlatformFile::Kind::Pipe:
        what = "a named pipe";
        break;
    case PlatformFile::Kind::Device:
        what = "a device";
        break;
    case PlatformFile::Kind::Socket:
        what = "a socket";
        break;
    default:
        return QStringLiteral("%1 is not a regular file.").arg(nameOf(path));
    }
    return QStringLiteral("%1 is %2, not a file.").arg(nameOf(path), QLatin1String(what));
}

QString FailureText::readOnlyFolder(const QString& folder)
{
    return QStringLiteral("The folder %1 is read-only.").arg(QDir::toNativeSeparators(folder));
}

QString FailureText::noPermission(const QString& path, PlatformFile::Access access)
{
    if (access == PlatformFile::Access::Reading)
        return QStringLiteral("You have no permission to read %1.").arg(nameOf(path));
    return QStringLiteral("You have no permission to write %1 in the folder %2.")
        .arg(nameOf(path), QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
}

QString FailureText::missingFolder(const QString& folder)
{
    return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder));
}

QString FailureText::pathTooLong(int limit)
{
    return QStringLiteral("This path is longer than the file system allows (%1 characters).")
        .arg(number(limit));
}

QString FailureText::nameTooLong(int limit)
{
    return QStringLiteral("A name in this path is longer than the file system allows (%1 "
                          "characters).")
        .arg(number(limit));
}

QString FailureText::notConfirmed(const QString& path, const QString& systemText)
{
    return QStringLiteral("%1 holds the new words, but the disk did not confirm the save (%2): "
                          "a power cut could still undo it.")
        .arg(nameOf(path), sentence(systemText).chopped(1));
}

QString FailureText::notADictionary(const QString& path, const QString& found)
{
    return QStringLiteral("%1 is not a dictionary file: %2").arg(nameOf(path), sentence(found));
}

QString FailureText::number(qint64 value)
{
    return QLocale().toString(value);
}
