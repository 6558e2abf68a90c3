#include "TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <QFile>

namespace pacemark {

TempDir::TempDir()
{
    EXPECT_TRUE(m_dir.isValid());
}

std::string TempDir::write(std::string_view relative, std::string_view content) const
{
    return put(relative, content, std::ios::trunc);
}

std::string TempDir::append(std::string_view relative, std::string_view content) const
{
    return put(relative, content, std::ios::app);
}

std::string TempDir::put(std::string_view relative, std::string_view content, std::ios::openmode mode) const
{
    const auto full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary | mode).write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

void TempDir::mkdir(std::string_view relative) const
{
    std::filesystem::create_directories(path(relative));
}

QByteArray TempDir::contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TempDir::setModified(const std::string& path, std::int64_t seconds, long nanoseconds)
{
    const timespec times[2] = { { 0, UTIME_OMIT }, { static_cast<time_t>(seconds), nanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}
