#pragma once
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// What every harness shares: one scratch folder per process, made on first use and removed at exit,
// so that each run only overwrites its file.
namespace FuzzSupport {
// Absolute, ends with "/".
const QString& WorkFolder();
// Makes `relative` (ending with "/") inside the work folder and returns its absolute path.
QString MakeFolder(const QString& relative);
// Replaces the file's contents; aborts when it cannot, since every later run would test nothing.
void WriteFile(const QString& path, const QByteArray& bytes);
inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
} // namespace FuzzSupport
