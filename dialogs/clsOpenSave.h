#pragma once

#include <QCoreApplication>
#include <QString>

#include <climits>

class QWidget;

// Lets the user pick a file to open or a file to save to, through the platform's file
// dialog where Qt has one. The outcome is in File: the chosen full path, without the spaces
// around it unless a file of that exact name exists, or the empty text when the user cancelled
// or the path does not fit in MaxFile - 1 characters; PathTooLong tells the second case from
// the first.
//
// A choice starts in InitialDir, with no file name proposed. A new chooser's InitialDir is the
// program's folder when the user may write there and it is no folder the system installs programs
// into (a program kept in a folder of its own), else the user's documents folder, else the home
// folder; each choice moves it to the chosen file's folder, and callers set it to the folder of
// a file they opened or saved.
//
// Filter holds pairs of texts, a description and its patterns, each text separated from the
// next by one NUL character and with no NUL at the end, for instance
// "Dictionary database (*.dyb)", NUL, "*.dyb". Several patterns are separated by ';'.
// Flags is kept for callers that set it but asks the dialog for nothing: the chosen file
// need not exist, an existing file raises no question and no extension is added.
class clsOpenSave
{
public:
    // Both show a modal dialog owned by hwnd and titled Caption, and return once the user
    // has closed it. They return false, without showing anything and leaving File as it
    // was, when MaxFile is below 1.
    bool OpenFile(QWidget* hwnd, const QString& Caption);
    bool SaveFile(QWidget* hwnd, const QString& Caption);

    qint32 MaxFile() const { return m_maxFile; }
    void setMaxFile(qint32 vNewValue) { m_maxFile = vNewValue; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString& vNewValue) { m_filter = vNewValue; }
    qint32 Flags() const { return m_flags; }
    void setFlags(qint32 vNewValue) { m_flags = vNewValue; }
    QString File() const { return m_file; }
    void setFile(const QString& vNewValue) { m_file = vNewValue; }
    // The last choice was a path that does not fit in MaxFile - 1 characters.
    bool PathTooLong() const { return m_pathTooLong; }
    QString InitialDir() const { return m_initialDir; }
    void setInitialDir(const QString& vNewValue) { m_initialDir = vNewValue; }

    // The first InitialDir of a program kept in the folder program.
    static QString firstFolder(const QString& program);

private:
    enum class Choice
    {
        Open,
        Save
    };
    bool choose(QWidget* hwnd, const QString& Caption, Choice choice);

    // Room for the path, terminating NUL included: the platform's own limit, so that no path it
    // can open is refused.
#if defined(Q_OS_WIN)
    qint32 m_maxFile = 32767; // with the \\?\ form of a path, which Qt uses for long ones
#elif defined(PATH_MAX)
    qint32 m_maxFile = PATH_MAX;
#else
    qint32 m_maxFile = 4096;
#endif
    QString m_filter;
    qint32 m_flags = 0;
    QString m_file;
    bool m_pathTooLong = false;
    QString m_initialDir = firstFolder(QCoreApplication::applicationDirPath());
};
