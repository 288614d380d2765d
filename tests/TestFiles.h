#pragma once

#include <QFile>
#include <QtEndian>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

// Wine makes no path past Linux's 4,096 bytes, where Windows goes to 32,767.
inline bool pathsEndAt4096Bytes()
{
#ifdef Q_OS_WIN
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Files as the tests write and read them: whole, in one go.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

template <typename T> QByteArray littleEndian(T value)
{
    QByteArray bytes(sizeof value, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A text as a dictionary file holds it: its 16-bit count, then its bytes.
inline QByteArray counted(const QByteArray& text)
{
    return littleEndian(quint16(text.size())) + text;
}

// A dictionary file of no name, author or password, created at 0, with one word, "first",
// described "old one": what the faulty saves save over.
const QByteArray kOld =
    QByteArray(14, '\0') + littleEndian(0) + counted("first") + counted("old one");
