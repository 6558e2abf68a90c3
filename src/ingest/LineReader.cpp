#include "ingest/LineReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <zstd.h>

#include "basics/Descriptor.h"

namespace pacemark {

namespace {

constexpr std::size_t ChunkBytes = 1u << 20;

// Splits a stream of bytes into lines. Bytes of a line that do not end in the chunk they came in are
// kept until its end arrives; a line that grows past the limit is dropped up to its end.
class LineSplitter
{
public:
    explicit LineSplitter(const LineReader::LineCallback& onLine)
        : m_onLine(onLine)
    { }

    void feed(const char* data, std::size_t size)
    {
        const char* const end = data + size;
        while (data < end) {
            const char* newline
                = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
            const char* stop = newline ? newline : end;
            const auto piece = static_cast<std::size_t>(stop - data);
            if (!m_skipping) {
                if (m_carry.empty() && newline) {
                    m_onLine(std::string_view(data, piece));
                } else if (m_carry.size() + piece > LineReader::MaxLineBytes) {
                    m_carry.clear();
                    m_skipping = true;
                } else {
                    m_carry.append(data, piece);
                    if (newline) {
                        m_onLine(m_carry);
                        m_carry.clear();
                    }
                }
            }
            if (newline)
                m_skipping = false;
            data = newline ? newline + 1 : end;
        }
    }

    // Hands over a last line without a line end; true when there was one.
    bool finish()
    {
        const bool partial = m_skipping || !m_carry.empty();
        if (!m_skipping && !m_carry.empty())
            m_onLine(m_carry);
        m_carry.clear();
        return partial;
    }

private:
    const LineReader::LineCallback& m_onLine;
    std::string m_carry;
    bool m_skipping = false;
};

ssize_t readSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

struct DStreamFree
{
    void operator()(ZSTD_DStream* stream) const { ZSTD_freeDStream(stream); }
};

}

LineReader::Compression LineReader::compressionOf(std::string_view path)
{
    return path.ends_with(".zst") ? Compression::zstd : Compression::none;
}

LineReader::Outcome LineReader::read(const std::string& path, Compression compression, const LineCallback& onLine,
                                     std::int64_t from)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return {};
    Outcome outcome { true, false };
    LineSplitter lines(onLine);
    std::vector<char> input(ChunkBytes);

    if (compression == Compression::none) {
        if (from > 0 && ::lseek(fd.get(), from, SEEK_SET) != from)
            return outcome;
        std::int64_t offset = from;
        outcome.lineEnd = from;
        for (;;) {
            const ssize_t n = readSome(fd.get(), input.data(), input.size());
            if (n < 0)
                break;
            if (n == 0) {
                outcome.complete = true;
                break;
            }
            lines.feed(input.data(), static_cast<std::size_t>(n));
            const void* last = ::memrchr(input.data(), '\n', static_cast<std::size_t>(n));
            if (last)
                outcome.lineEnd = offset + (static_cast<const char*>(last) - input.data()) + 1;
            offset += n;
        }
        outcome.partialLine = lines.finish();
        return outcome;
    }

    std::unique_ptr<ZSTD_DStream, DStreamFree> stream(ZSTD_createDStream());
    if (!stream)
        return outcome;
    ZSTD_initDStream(stream.get());
    std::vector<char> output(ZSTD_DStreamOutSize());
    // Zero once a frame ended exactly at the last byte read; anything else at the end of the file
    // means the data stops inside a frame.
    std::size_t pending = 0;
    bool fault = false;
    for (;;) {
        const ssize_t n = readSome(fd.get(), input.data(), input.size());
        if (n < 0) {
            fault = true;
            break;
        }
        if (n == 0)
            break;
        ZSTD_inBuffer in { input.data(), static_cast<std::size_t>(n), 0 };
        // A full output buffer may leave decoded bytes inside the decoder: ask again until one is not.
        bool outputFull = false;
        while ((in.pos < in.size || outputFull) && !fault) {
            ZSTD_outBuffer out { output.data(), output.size(), 0 };
            const std::size_t result = ZSTD_decompressStream(stream.get(), &out, &in);
            if (ZSTD_isError(result)) {
                fault = true;
                break;
            }
            pending = result;
            lines.feed(output.data(), out.pos);
            outputFull = out.pos == out.size;
        }
        if (fault)
            break;
    }
    lines.finish();
    outcome.complete = !fault && pending == 0;
    return outcome;
}

}
