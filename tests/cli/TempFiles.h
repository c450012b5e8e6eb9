#pragma once
// Small file helpers for tests that work in a temporary folder.
#include <string>

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tainoteka::test {

inline void PutFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

inline void PutFile(const QString& path, const std::string& data)
{
    PutFile(path, QByteArray::fromStdString(data));
}

inline std::string TakeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll().toStdString();
}

} // namespace tainoteka::test
