#pragma once

#include "configuration/configuration_model.h"
#include "setting_controls.h"

#include <QDialog>

class QLineEdit;

// The voice and ADC screen "Voice/ ADC Configuration": settings 46 to 51 of the configuration
// it shows and edits, like setup1.
class Setup3 : public QDialog
{
    Q_OBJECT
public:
    explicit Setup3(QWidget *parent = nullptr);

    // The configuration shown (the screen's own until one is given; it must outlive the
    // screen).
    void setModel(ConfigurationModel *model) { m_settings.bind(model); }

    void copyTo(ConfigurationRecord &record) const { m_settings.copyTo(record); }
    // Writes settings 46 to 51. False when a list index was refused.
    bool setRecord(const ConfigurationRecord &record) { return m_settings.copyFrom(record); }
    bool writeText(int number, const QString &text) { return m_settings.writeText(number, text); }
    bool writeIndex(int number, int index) { return m_settings.writeIndex(number, index); }
    SettingControls &settings() { return m_settings; }

private:
    SettingControls m_settings;
    ConfigurationModel m_ownModel;
    // "Number to Dial when Auxiliary Input 1 activated :", below the visible area; not a
    // setting, nothing reads it.
    QLineEdit *m_dialNumber;
};
