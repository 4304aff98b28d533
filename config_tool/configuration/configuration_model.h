#pragma once

#include "common/user_message.h"
#include "configuration_record.h"

#include <QObject>

// The unit's 51 settings as vortsetup holds them for the whole run, whether or not a screen
// shows them: the screens edit it, the file actions and the transfers read and replace it.
class ConfigurationModel : public QObject
{
    Q_OBJECT
public:
    explicit ConfigurationModel(QObject *parent = nullptr) : QObject(parent) {}

    const ConfigurationRecord &record() const { return m_record; }
    // Replaces the settings. A list index outside its list (-1 to items - 1) is refused: that
    // setting keeps its value, as the screen's list would. False when one was refused.
    bool setRecord(const ConfigurationRecord &record);

    // Reads the whole file first and takes its values only when every one could be read; on
    // failure the settings stay as they were, with the box "Error loading file".
    FileOutcome load(const QString &path);
    // Ends with "Configuration has been Saved" or the error box.
    FileOutcome save(const QString &path) const;

signals:
    void changed();

private:
    ConfigurationRecord m_record;
};
