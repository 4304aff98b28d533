#pragma once

#include "fleet_store.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;

// The store's part of Server's and Quellix's command lines: --store, --instance, --expires for
// a running program, and the operator's operations on the store alone (--units, --commands,
// --send, --withdraw for Quellix; --transfers, --campaign for Server), which need no display
// and no running program.
class StoreCommandLine
{
public:
    enum class Program { Server, Quellix };
    // The operations' exit statuses.
    enum ExitStatus {
        Done = 0,
        NotPending = 1, // --withdraw: the command was already sent, expired or withdrawn
        BadCommandLine = 2,
        StoreUnreachable = 3, // cannot be reached, or its schema is newer than this program's
        UnknownCommand = 4,   // --withdraw: no command has that id
    };

    explicit StoreCommandLine(Program program);
    void addTo(QCommandLineParser &parser) const;

    // Whether the command line asks for an operation on the store.
    bool isOperation(const QCommandLineParser &parser) const;
    // Runs it, printing to standard output (problems to standard error); the exit status.
    int run(const QCommandLineParser &parser) const;

    // The store of a running program; std::nullopt (with a line on standard error) when the
    // options are wrong. An empty location: no store.
    std::optional<StoreSettings> settings(const QCommandLineParser &parser) const;

    // "90s", "15m", "2h", "3d" or whole seconds; std::nullopt when not a positive duration.
    static std::optional<qint64> durationSeconds(const QString &text);

private:
    Program m_program;
    QCommandLineOption m_store;
    QCommandLineOption m_record;
    QCommandLineOption m_instance;
    QCommandLineOption m_expires;
    QCommandLineOption m_json;
    QCommandLineOption m_units;
    QCommandLineOption m_commands;
    QCommandLineOption m_all;
    QCommandLineOption m_send;
    QCommandLineOption m_withdraw;
    QCommandLineOption m_transfers;
    QCommandLineOption m_since;
    QCommandLineOption m_kind;
    QCommandLineOption m_unit;
    QCommandLineOption m_campaign;
};
