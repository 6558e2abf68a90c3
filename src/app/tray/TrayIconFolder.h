#pragma once

#include <optional>

#include <QImage>
#include <QList>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

namespace pacemark {

// The tray icon's frames as files, for hosts that load icons by name: a folder of our own, laid out
// as a hicolor theme with a PNG per size, and each frame also at the folder's top for hosts that look
// there only. A frame is named after its pixels, so the same picture keeps its name and the set of
// names stays as small as the set of pictures: hosts cache every name they are given.
//
// In $XDG_RUNTIME_DIR the folder is always "pacemark-icons": emptied when an instance starts and left
// in place when it quits, so a host that fetches a frame as the item goes still finds it, and one that
// caches by folder and name reuses its cache after a restart. Without a runtime folder it is a
// temporary folder of a unique name, which goes when the object does.
class TrayIconFolder
{
public:
    TrayIconFolder();

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

    // Writes the frame at its sizes (square images) unless already written, and returns its name;
    // empty when it could not be written.
    QString nameFor(const QList<QImage>& sizes);
    qsizetype iconCount() const { return m_names.size(); }

private:
    std::optional<QTemporaryDir> m_temporary;
    QString m_path;
    QSet<QString> m_names;
    QSet<int> m_sizes;
};

}
