#pragma once

#include <QString>

#include <climits>

class QWidget;

// Lets the user pick a file to open or a file to save to, through the platform's file
// dialog where Qt has one. The outcome is in File: the chosen full path without the spaces
// around it, or the empty text when the user cancelled or the path does not fit in
// MaxFile - 1 characters; PathTooLong tells the second case from the first.
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

private:
    enum class Choice
    {
        Open,
        Save
    };
    bool choose(QWidget* hwnd, const QString& Caption, Choice choice);

    // Room for the path, terminating NUL included: the platform's own limit, so that no path it
    // can open is refused.
#ifdef PATH_MAX
    qint32 m_maxFile = PATH_MAX;
#else
    qint32 m_maxFile = 260;
#endif
    QString m_filter;
    qint32 m_flags = 0;
    QString m_file;
    bool m_pathTooLong = false;
};
