#include "TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

TempDir::TempDir()
{
    EXPECT_TRUE(m_dir.isValid());
}

std::string TempDir::path() const
{
    return m_dir.path().toStdString();
}

std::string TempDir::path(std::string_view relative) const
{
    return path() + "/" + std::string(relative);
}

std::string TempDir::write(std::string_view relative, std::string_view content) const
{
    const auto full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

std::string TempDir::append(std::string_view relative, std::string_view content) const
{
    const auto full = path(relative);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::app);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

void TempDir::mkdir(std::string_view relative) const
{
    std::filesystem::create_directories(path(relative));
}

void TempDir::setModified(const std::string& path, std::int64_t seconds, long nanoseconds)
{
    const timespec times[2] = { { 0, UTIME_OMIT }, { static_cast<time_t>(seconds), nanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}
