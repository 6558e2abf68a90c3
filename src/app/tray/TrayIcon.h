#pragma once

#include <optional>

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QObject>
#include <QTimer>

#include "app/StatusImage.h"
#include "app/tray/DBusTrayTypes.h"
#include "quota/ClaudeQuota.h"

namespace pacemark {

class ClaudeQuotaManager;
class RunCharacter;
class SystemTray;
class AppSettings;

// The runner's current frame (and the quota battery) as a square icon at every size trays ask for.
// A frame drawn before with the same settings is reused, not composed again; trays that show fewer
// frames than the runner steps through get every few frames at a pace they can follow.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(SystemTray* tray, RunCharacter* runCharacter, ClaudeQuotaManager* claudeQuotaManager,
             AppSettings* defaults, QObject* parent = nullptr);

    // The battery value of a quota: the five-hour window (or the binding limit when asked for), else the
    // extra usage, else none.
    static std::optional<double> batteryValue(const std::optional<ClaudeQuota>& quota, bool bindingLimit = false);

    // Puts the frame on show into the tray now.
    void updateMenuBarImage();

    // The icon at every size of StatusImage::IconSizes, smallest first.
    const QList<QImage>& images() const { return m_images; }
    // How many icons were composed and how many were put into the tray.
    quint64 composedCount() const { return m_composedCount; }
    quint64 shownCount() const { return m_shownCount; }

private:
    void scheduleUpdate();
    void updatePace();
    QImage shownFrame() const;

    SystemTray* m_tray;
    RunCharacter* m_runCharacter;
    ClaudeQuotaManager* m_claudeQuotaManager;
    AppSettings* m_defaults;
    bool m_updateScheduled = false;
    // Trays that show fewer frames than the runner steps through get every stride-th frame from
    // this timer instead of each frame the runner shows.
    QTimer m_paceTimer;
    int m_paceStride = 1;
    qsizetype m_pacedIndex = 0;
    QList<QImage> m_images;
    quint64 m_composedCount = 0;
    quint64 m_shownCount = 0;

    // The composed icons of the frames seen so far with the current settings. Reusing the same
    // icon for a frame also keeps the tray's pixmap cache from filling with copies of it.
    struct Composed
    {
        QList<QImage> images;
        QIcon icon;
        DBusImageList pixmaps;
        QString name;
    };
    StatusImage::Options m_options;
    QList<QImage> m_contentFrames;
    QRect m_contentRect;
    QHash<qint64, Composed> m_composed;
};

}
