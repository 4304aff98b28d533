#pragma once

#include "configuration_record.h"
#include "file_choice.h"
#include "link/message_box.h"
#include "setting_controls.h"

#include <QDialog>

class HelpViewer;
class QPushButton;
class QScrollArea;
class Setup3;

// The configuration screen "Current Configuration": settings 1 to 45, the file choice and the
// buttons Load, Save, Check, HELP and RETURN MAIN MENU. Created hidden at start-up and only
// shown and hidden afterwards, so its values last for the whole run.
class Setup1 : public QDialog
{
    Q_OBJECT
public:
    explicit Setup1(HelpViewer *help = nullptr, QWidget *parent = nullptr);

    // The values the main window's load gives: every list at its first item. The texts keep
    // their designed values (empty, "6048" for the existing password, "V6.X" for the version).
    void setStartingValues();

    // The settings of this screen into a record; settings 46 to 51 as a fresh record has them.
    ConfigurationRecord record() const;
    void copyTo(ConfigurationRecord &record) const { m_settings.copyTo(record); }
    // Writes settings 1 to 45. False when a list index was refused.
    bool setRecord(const ConfigurationRecord &record) { return m_settings.copyFrom(record); }
    // The whole record, settings 46 to 51 from the voice/ADC screen: what the configuration
    // file and the image hold. setConfiguration writes both screens; false when a list index
    // was refused (the other settings are written all the same).
    ConfigurationRecord configuration() const;
    bool setConfiguration(const ConfigurationRecord &record);
    // One setting by number; a list index outside its list is refused (false).
    bool writeText(int number, const QString &text) { return m_settings.writeText(number, text); }
    bool writeIndex(int number, int index) { return m_settings.writeIndex(number, index); }
    SettingControls &settings() { return m_settings; }

    // The existingPassword box, the password the unit is woken with.
    QString existingPassword() const;

    FileChoice &fileChoice() { return *m_fileChoice; }
    // Text1, the path of the configuration file.
    QString selectedFile() const;

    void setHelpViewer(HelpViewer *help) { m_help = help; }
    // Where Load, Save and Check show their messages.
    void setMessageBoxes(MessageBoxes *messages) { m_messages = messages; }
    // The screen that holds settings 46 to 51, saved and loaded with this one.
    void setVoiceScreen(Setup3 *voice) { m_voice = voice; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Command1 "Load Configuration", Command4 "Save Configuration" and Command5 "Click here to
    // Check if configuration is valid".
    void loadConfiguration();
    void saveConfiguration();
    void checkConfiguration();

    void buildLayout();
    void tell(const QString &prompt, const QString &title, MessageIcon icon);

    SettingControls m_settings;
    FileChoice *m_fileChoice;
    HelpViewer *m_help;
    MessageBoxes *m_messages = nullptr;
    Setup3 *m_voice = nullptr;
    QPushButton *m_load;
    QPushButton *m_save;
    QPushButton *m_check;
    QPushButton *m_helpButton;
    QPushButton *m_return;
    QScrollArea *m_scroll = nullptr; // the first show fits it to the form and the screen
};
