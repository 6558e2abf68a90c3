#pragma once

#include <cstdint>
#include <ios>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace pacemark {

// A temporary folder with helpers to lay out files in it; removed with everything below it.
class TempDir
{
public:
    TempDir();

    std::string path() const { return m_dir.path().toStdString(); }
    std::string path(std::string_view relative) const { return path() + "/" + std::string(relative); }
    // Writes a file (creating its folders) and returns its full path.
    std::string write(std::string_view relative, std::string_view content) const;
    std::string append(std::string_view relative, std::string_view content) const;
    void mkdir(std::string_view relative) const;
    // A file's bytes; empty when it cannot be read.
    static QByteArray contents(const QString& path);
    // Sets a file's modification time exactly, to the nanosecond.
    static void setModified(const std::string& path, std::int64_t seconds, long nanoseconds = 0);

private:
    std::string put(std::string_view relative, std::string_view content, std::ios::openmode mode) const;

    QTemporaryDir m_dir;
};

}
