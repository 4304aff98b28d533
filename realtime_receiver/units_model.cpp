#include "units_model.h"

#include "realtime_receiver.h"

#include <QDateTime>

UnitsModel::UnitsModel(const RealtimeReceiver &receiver, QObject *parent)
    : QAbstractTableModel(parent), m_receiver(receiver)
{
}

void UnitsModel::refresh()
{
    const int commands = int(m_receiver.pendingCommands().size());
    if (m_receiver.received() == m_seenReceived && commands == m_seenCommands)
        return;
    m_seenReceived = m_receiver.received();
    m_seenCommands = commands;

    std::vector<Row> rows;
    rows.reserve(size_t(m_receiver.units().size()));
    m_receiver.units().newestFirst([&](const UnitState &unit) {
        rows.push_back({unit.identifier, unit.from.text(), unit.lastMessage, unit.lastUtcMs,
                        unit.messages, m_receiver.hasCommandFor(unit.identifier)});
        return true;
    });
    if (rows.size() == m_rows.size()) {
        m_rows = std::move(rows);
        if (!m_rows.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, Columns - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int UnitsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int UnitsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant UnitsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    const Row &row = m_rows[size_t(index.row())];
    switch (index.column()) {
    case Identifier:
        return row.identifier;
    case Address:
        return row.address;
    case LastMessage:
        return row.lastMessage;
    case LastTime:
        return QDateTime::fromMSecsSinceEpoch(row.lastUtcMs, Qt::UTC)
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Messages:
        return QString::number(row.messages);
    case CommandPending:
        return row.commandPending ? QStringLiteral("yes") : QString();
    }
    return {};
}

QVariant UnitsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Identifier:
        return QStringLiteral("Unit");
    case Address:
        return QStringLiteral("Address");
    case LastMessage:
        return QStringLiteral("Last message");
    case LastTime:
        return QStringLiteral("Time (UTC)");
    case Messages:
        return QStringLiteral("Messages");
    case CommandPending:
        return QStringLiteral("Pending");
    }
    return {};
}
