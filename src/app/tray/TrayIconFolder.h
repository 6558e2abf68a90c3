#pragma once

#include <QImage>
#include <QList>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

// The tray icon's frames as files, for hosts that load icons by name: a folder of our own (in
// $XDG_RUNTIME_DIR, else the temporary folder), laid out as a hicolor theme with a PNG per size, and
// each frame also at the folder's top for hosts that look there only. A frame is named after its
// pixels, so the same picture keeps its name and the set of names stays as small as the set of
// pictures: hosts cache every name they are given. The folder goes when the object does.
class TrayIconFolder
{
public:
    TrayIconFolder();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }

    // Writes the frame at its sizes (square images) unless already written, and returns its name;
    // empty when it could not be written.
    QString nameFor(const QList<QImage>& sizes);
    qsizetype iconCount() const { return m_names.size(); }

private:
    QTemporaryDir m_dir;
    QSet<QString> m_names;
    QSet<int> m_sizes;
};
