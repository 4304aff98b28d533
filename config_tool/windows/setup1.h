#pragma once

#include "configuration/configuration_model.h"
#include "file_choice.h"
#include "setting_controls.h"
#include "windows/message_boxes.h"

#include <QDialog>

class HelpViewer;
class QPushButton;
class QScrollArea;

// The configuration screen "Current Configuration": settings 1 to 45 of the configuration it
// shows and edits, the file choice and the buttons Load, Save, Check, HELP and RETURN MAIN
// MENU (in a row below the form, which scrolls on a small screen). Every edit goes into the
// configuration at once, and every change of the configuration shows at once.
class Setup1 : public QDialog
{
    Q_OBJECT
public:
    explicit Setup1(HelpViewer *help = nullptr, QWidget *parent = nullptr);

    // The configuration shown (the screen's own until one is given; it must outlive the
    // screen).
    void setModel(ConfigurationModel *model);

    // The settings of this screen into a record; settings 46 to 51 as a fresh record has them.
    ConfigurationRecord record() const;
    void copyTo(ConfigurationRecord &record) const { m_settings.copyTo(record); }
    // Writes settings 1 to 45. False when a list index was refused.
    bool setRecord(const ConfigurationRecord &record) { return m_settings.copyFrom(record); }
    // The whole configuration, settings 46 to 51 included: what the configuration file and the
    // image hold. setConfiguration replaces it; false when a list index was refused (the other
    // settings are written all the same).
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
    ConfigurationModel &model() const { return *m_settings.model(); }

    SettingControls m_settings;
    ConfigurationModel m_ownModel;
    FileChoice *m_fileChoice;
    HelpViewer *m_help;
    MessageBoxes *m_messages = nullptr;
    QPushButton *m_load;
    QPushButton *m_save;
    QPushButton *m_check;
    QPushButton *m_helpButton;
    QPushButton *m_return;
    QScrollArea *m_scroll = nullptr; // the first show fits it to the form and the screen
    QWidget *m_buttonBar = nullptr;  // the buttons, below the form and never scrolled
};
