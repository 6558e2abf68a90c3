#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace pacemark {

// Reads and writes the small files Pacemark keeps for itself (caches, the price list, samples). Anything
// else found at such a path (a link, a FIFO, a device, a file past its size cap) is treated as absent:
// opening it could block, reading it could take without end, and writing through a link would replace
// a file that is not ours.
class OwnFile
{
public:
    enum class Links {
        Refuse, // the path is ours: a link there was planted
        Follow, // the path belongs to another program, whose user may link it anywhere
    };

    struct ReadResult
    {
        std::optional<QByteArray> bytes; // empty when the file is missing or refused
        QString refusal; // why a file that is there was not read; empty when it was, or is missing
    };

    // The whole file when it is a regular file of at most maxBytes.
    static ReadResult read(const QString& path, qint64 maxBytes, Links links = Links::Refuse);

    // Writes a new file beside path (mode 0600) and renames it into place, so a reader sees the old
    // file or the new one whole, and a link at path is replaced, never written through. Creates the
    // folder. False with *error set when it cannot.
    static bool write(const QString& path, const QByteArray& bytes, QString* error);
};

}
