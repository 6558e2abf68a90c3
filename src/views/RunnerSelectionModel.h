#pragma once

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include "runner/RunCharacter.h"

namespace pacemark {

// The runner page's tiles: one row per character pack of the runner's registry, in registry order,
// with whether it is the selected one. Follows the registry's packs and selection.
class RunnerSelectionModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(RunCharacter* runCharacter READ runCharacter WRITE setRunCharacter NOTIFY runCharacterChanged)
    Q_PROPERTY(int previewInterval READ previewInterval CONSTANT)

public:
    enum Role {
        PackIdRole = Qt::UserRole + 1,
        NameRole,
        FrameCountRole,
        IsSelectedRole,
    };

    explicit RunnerSelectionModel(QObject* parent = nullptr);

    RunCharacter* runCharacter() const { return m_runCharacter; }
    void setRunCharacter(RunCharacter* runCharacter);
    // Milliseconds per preview frame: the running pace, whatever the menu-bar runner does.
    static int previewInterval();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Makes the pack the menu-bar runner and restarts its animation, also when already selected.
    Q_INVOKABLE void select(const QString& packId);

Q_SIGNALS:
    void runCharacterChanged();

private:
    void selectionChanged();

    RunCharacter* m_runCharacter = nullptr;
};

}
