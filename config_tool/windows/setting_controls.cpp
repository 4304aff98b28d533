#include "setting_controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <utility>

SettingControls::SettingControls(SettingDescriptor::Screen screen, QWidget *parent)
    : m_screen(screen)
{
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (d.screen != screen)
            continue;
        QWidget *control = nullptr;
        switch (d.kind) {
        case SettingDescriptor::Kind::Label:
            control = new QLabel(parent);
            static_cast<QLabel *>(control)->setTextFormat(Qt::PlainText);
            break;
        case SettingDescriptor::Kind::Text:
            control = new QLineEdit(parent);
            break;
        case SettingDescriptor::Kind::List: {
            auto *list = new QComboBox(parent);
            list->addItems(*d.items);
            control = list;
            break;
        }
        }
        control->setObjectName(QString::fromLatin1(d.control));
        m_controls.insert(d.number, control);
        if (*d.caption) {
            auto *caption = new QLabel(QString::fromLatin1(d.caption), parent);
            caption->setObjectName(QStringLiteral("caption_") + QString::fromLatin1(d.name));
            caption->setBuddy(control);
            m_captions.insert(d.number, caption);
        }
    }
    // The designed texts: a fresh record holds them.
    copyFrom(ConfigurationRecord());
    for (QWidget *control : std::as_const(m_controls)) {
        if (auto *box = qobject_cast<QLineEdit *>(control))
            QObject::connect(box, &QLineEdit::textChanged, box, [this] { storeEdits(); });
        else if (auto *list = qobject_cast<QComboBox *>(control))
            QObject::connect(list, &QComboBox::currentIndexChanged, list, [this] { storeEdits(); });
    }
}

const SettingDescriptor *SettingControls::descriptor(int number) const
{
    if (number < 1 || number > settingCount)
        return nullptr;
    const SettingDescriptor &d = settingDescriptors()[number - 1];
    return d.screen == m_screen ? &d : nullptr;
}

QWidget *SettingControls::control(int number) const
{
    return m_controls.value(number);
}

QLabel *SettingControls::caption(int number) const
{
    return m_captions.value(number);
}

void SettingControls::copyTo(ConfigurationRecord &record) const
{
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (d.screen != m_screen)
            continue;
        if (d.kind == SettingDescriptor::Kind::List)
            record.*d.index = readIndex(d.number);
        else
            record.*d.text = readText(d.number);
    }
}

bool SettingControls::copyFrom(const ConfigurationRecord &record)
{
    bool allWritten = true;
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (d.screen != m_screen)
            continue;
        const bool written = d.kind == SettingDescriptor::Kind::List
                                 ? writeIndex(d.number, record.*d.index)
                                 : writeText(d.number, record.*d.text);
        allWritten = allWritten && written;
    }
    return allWritten;
}

bool SettingControls::writeText(int number, const QString &text)
{
    const SettingDescriptor *d = descriptor(number);
    if (!d)
        return false;
    if (auto *label = qobject_cast<QLabel *>(control(number))) {
        label->setText(text);
        return true;
    }
    if (auto *box = qobject_cast<QLineEdit *>(control(number))) {
        if (box->text() == text)
            return true; // the cursor stays where the typing left it
        box->setText(text);
        box->setCursorPosition(0); // a text longer than its box shows its start
        return true;
    }
    return false;
}

bool SettingControls::writeIndex(int number, int index)
{
    auto *list = descriptor(number) ? qobject_cast<QComboBox *>(control(number)) : nullptr;
    if (!list || index < -1 || index >= list->count())
        return false;
    list->setCurrentIndex(index);
    return true;
}

QString SettingControls::readText(int number) const
{
    if (auto *label = qobject_cast<QLabel *>(control(number)))
        return label->text();
    if (auto *box = qobject_cast<QLineEdit *>(control(number)))
        return box->text();
    return QString();
}

int SettingControls::readIndex(int number) const
{
    auto *list = qobject_cast<QComboBox *>(control(number));
    return list ? list->currentIndex() : -1;
}

void SettingControls::selectFirstItems()
{
    for (QWidget *control : std::as_const(m_controls)) {
        if (auto *list = qobject_cast<QComboBox *>(control))
            list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    }
}

void SettingControls::bind(ConfigurationModel *model)
{
    QObject::disconnect(m_modelChanged);
    m_model = model;
    QWidget *anyControl = m_controls.first();
    m_modelChanged =
        QObject::connect(model, &ConfigurationModel::changed, anyControl, [this] { showModel(); });
    showModel();
}

void SettingControls::showModel()
{
    m_showing = true;
    copyFrom(m_model->record());
    m_showing = false;
}

void SettingControls::storeEdits()
{
    if (m_showing || !m_model)
        return;
    ConfigurationRecord record = m_model->record();
    copyTo(record);
    m_model->setRecord(record);
}
