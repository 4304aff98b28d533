#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class RealtimeReceiver;

// The units view: one row per unit the receiver knows, the most recently heard first. It copies
// the receiver's table when refreshed (a few times a second while messages come), so a fleet
// reporting thousands of times a second costs the view nothing between refreshes.
class UnitsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Identifier, Address, LastMessage, LastTime, Messages, CommandPending, Columns };

    explicit UnitsModel(const RealtimeReceiver &receiver, QObject *parent = nullptr);

    // Takes the receiver's units again when anything has changed since the last time.
    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        QString identifier;
        QString address;
        QString lastMessage;
        qint64 lastUtcMs;
        quint64 messages;
        bool commandPending;
    };

    const RealtimeReceiver &m_receiver;
    std::vector<Row> m_rows;
    quint64 m_seenReceived = ~quint64(0);
    int m_seenCommands = -1;
};
