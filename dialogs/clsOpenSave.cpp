#include "clsOpenSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

namespace {

// Turns the NUL-separated pairs into Qt name filters such as "Text (*.txt *.log)". A
// description that already ends in its patterns does not show them twice; a description
// left without patterns at the end of the list is dropped.
QStringList nameFilters(const QString& filter)
{
    const QStringList texts = filter.split(QChar(0));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < texts.size(); i += 2) {
        QString description = texts.at(i);
        const QString patterns = texts.at(i + 1);
        if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            description = description.chopped(patterns.size() + 2).trimmed();
        filters.append(description + QLatin1String(" (") +
                       QString(patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')'));
    }
    return filters;
}

// Spaces around a typed name are not part of it, unless a file has that very name: on Linux
// "words.dyb " is a name of its own.
QString asChosen(QString path)
{
    if (QFileInfo::exists(path))
        return path;
    path.remove(QChar(0));
    qsizetype first = 0, end = path.size();
    while (first < end && path.at(first) == u' ')
        ++first;
    while (end > first && path.at(end - 1) == u' ')
        --end;
    return path.mid(first, end - first);
}

} // namespace

bool clsOpenSave::OpenFile(QWidget* hwnd, const QString& Caption)
{
    return choose(hwnd, Caption, Choice::Open);
}

bool clsOpenSave::SaveFile(QWidget* hwnd, const QString& Caption)
{
    return choose(hwnd, Caption, Choice::Save);
}

bool clsOpenSave::choose(QWidget* hwnd, const QString& Caption, Choice choice)
{
    if (m_maxFile < 1) {
        qWarning("clsOpenSave: MaxFile is %d, below 1; no dialog shown", m_maxFile);
        return false;
    }

    QFileDialog dialog(hwnd, Caption, m_initialDir);
    dialog.setAcceptMode(choice == Choice::Save ? QFileDialog::AcceptSave
                                                : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = nameFilters(m_filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);

    m_file.clear();
    m_pathTooLong = false;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen =
            asChosen(QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath());
        m_pathTooLong = chosen.size() > m_maxFile - 1;
        if (!m_pathTooLong)
            m_file = chosen;
        m_initialDir = QFileInfo(chosen).absolutePath();
    }
    return true;
}

namespace {

// Where the system installs programs: no place for the user's files, not even for root, who may
// write there.
bool isSystemFolder(const QString& folder)
{
#if defined(Q_OS_WIN)
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        const QString system = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!system.isEmpty() && (folder.compare(system, Qt::CaseInsensitive) == 0 ||
                                  folder.startsWith(system + '/', Qt::CaseInsensitive)))
            return true;
    }
    return false;
#else
    // An application bundle's inside, and the folders of the file system's layout for programs.
    if (folder.contains(QLatin1String(".app/Contents/")))
        return true;
    for (const char* system : {"/usr", "/bin", "/sbin", "/lib", "/lib64", "/opt", "/snap", "/nix",
                               "/gnu", "/Applications", "/System", "/Library"}) {
        const QString prefix = QString::fromLatin1(system);
        if (folder == prefix || folder.startsWith(prefix + '/'))
            return true;
    }
    return false;
#endif
}

} // namespace

QString clsOpenSave::firstFolder(const QString& program)
{
    if (!isSystemFolder(QDir::cleanPath(program)) && QFileInfo(program).isWritable())
        return program;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
