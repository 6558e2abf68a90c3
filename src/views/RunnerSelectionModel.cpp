#include "views/RunnerSelectionModel.h"

#include "runner/AnimationSpeed.h"

namespace pacemark {

RunnerSelectionModel::RunnerSelectionModel(QObject* parent)
    : QAbstractListModel(parent)
{ }

void RunnerSelectionModel::setRunCharacter(RunCharacter* runCharacter)
{
    if (runCharacter == m_runCharacter)
        return;
    beginResetModel();
    if (m_runCharacter) {
        m_runCharacter->registry()->disconnect(this);
        m_runCharacter->disconnect(this);
    }
    m_runCharacter = runCharacter;
    if (runCharacter) {
        connect(runCharacter, &QObject::destroyed, this, [this] { setRunCharacter(nullptr); });
        CharacterRegistry* registry = runCharacter->registry();
        connect(registry, &CharacterRegistry::packsChanged, this, [this] {
            beginResetModel();
            endResetModel();
        });
        connect(registry, &CharacterRegistry::selectedIdChanged, this, &RunnerSelectionModel::selectionChanged);
    }
    endResetModel();
    Q_EMIT runCharacterChanged();
}

int RunnerSelectionModel::previewInterval()
{
    return static_cast<int>(frameInterval(AnimationSpeed::Running).count());
}

int RunnerSelectionModel::rowCount(const QModelIndex& parent) const
{
    const RunCharacter* runner = m_runCharacter;
    if (parent.isValid() || !runner)
        return 0;
    return static_cast<int>(runner->registry()->packs().size());
}

QVariant RunnerSelectionModel::data(const QModelIndex& index, int role) const
{
    const RunCharacter* runner = m_runCharacter;
    if (!runner || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const CharacterRegistry* registry = runner->registry();
    const CharacterPack& pack = registry->packs().at(index.row());
    switch (role) {
    case PackIdRole:
        return pack.id;
    case NameRole:
    case Qt::DisplayRole:
        return pack.displayName();
    case FrameCountRole:
        return static_cast<int>(pack.frames.size());
    case IsSelectedRole:
        return pack.id == registry->selectedId();
    default:
        return {};
    }
}

QHash<int, QByteArray> RunnerSelectionModel::roleNames() const
{
    return {
        { PackIdRole, "packId" },
        { NameRole, "name" },
        { FrameCountRole, "frameCount" },
        { IsSelectedRole, "isSelected" },
    };
}

void RunnerSelectionModel::select(const QString& packId)
{
    if (RunCharacter* runner = m_runCharacter)
        runner->selectCharacter(packId);
}

void RunnerSelectionModel::selectionChanged()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0), index(rowCount() - 1), { IsSelectedRole });
}

}
