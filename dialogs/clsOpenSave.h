#pragma once

#include <QString>

class QWidget;

// Lets the user pick a file to open or a file to save to, through the platform's file
// dialog where Qt has one. The outcome is in File: the chosen full path, or the empty text
// when the user cancelled or the path does not fit in MaxFile - 1 characters.
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

private:
    enum class Choice
    {
        Open,
        Save
    };
    bool choose(QWidget* hwnd, const QString& Caption, Choice choice);

    qint32 m_maxFile = 255; // room for the path, terminating NUL included
    QString m_filter;
    qint32 m_flags = 0;
    QString m_file;
};
