#pragma once

#include "configuration/configuration_model.h"

#include <QMap>
#include <QMetaObject>

class QLabel;
class QWidget;

// The controls that hold the settings of one screen, made from the setting descriptors: a
// label for the version, a text box per text setting, a drop-down list per list setting, each
// with its caption. The record is read from and written to these controls.
class SettingControls
{
public:
    SettingControls(SettingDescriptor::Screen screen, QWidget *parent);

    // The control of setting n (nullptr when n is not on this screen) and its caption label
    // (nullptr when it has none).
    QWidget *control(int number) const;
    QLabel *caption(int number) const;

    // The texts and list indexes of this screen's settings; the other settings are untouched.
    void copyTo(ConfigurationRecord &record) const;
    // Writes every setting of this screen. False when a list index was refused; the other
    // settings are written all the same.
    bool copyFrom(const ConfigurationRecord &record);

    // A text or label setting. False when n is no such setting of this screen.
    bool writeText(int number, const QString &text);
    // A list setting: -1 clears the selection. Refused (false, selection unchanged) when n is no
    // list of this screen or the index is outside -1 to items - 1.
    bool writeIndex(int number, int index);
    QString readText(int number) const;
    int readIndex(int number) const; // -1 when no item is selected

    // Every list selects its first item.
    void selectFirstItems();

    // Shows the model's settings of this screen and keeps both in step from now on: every
    // change of a text box or list, typed or written, goes into the model at once, and every
    // change of the model shows at once. The model must outlive the controls.
    void bind(ConfigurationModel *model);
    ConfigurationModel *model() const { return m_model; }

private:
    const SettingDescriptor *descriptor(int number) const;
    void showModel();
    void storeEdits();

    SettingDescriptor::Screen m_screen;
    QMap<int, QWidget *> m_controls;
    QMap<int, QLabel *> m_captions;
    ConfigurationModel *m_model = nullptr;
    QMetaObject::Connection m_modelChanged;
    bool m_showing = false; // the controls are being written from the model
};
