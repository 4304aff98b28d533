#include "setup3.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *plainLabel(const char *name, const char *text, QWidget *parent)
{
    auto *label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel *heading(const char *name, const char *text, QWidget *parent)
{
    QLabel *label = plainLabel(name, text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
} // namespace

Setup3::Setup3(QWidget *parent)
    : QDialog(parent), m_settings(SettingDescriptor::Screen::Setup3, this),
      m_dialNumber(new QLineEdit(this))
{
    setObjectName(QStringLiteral("setup3"));
    setWindowTitle(QStringLiteral("Voice/ ADC Configuration"));

    auto *returnButton = new QPushButton(QStringLiteral("RETURN MAIN MENU"), this);
    returnButton->setObjectName(QStringLiteral("Command2"));
    returnButton->setAutoDefault(false);
    connect(returnButton, &QPushButton::clicked, this, &QDialog::accept);

    const auto add = [this](QVBoxLayout *column, int number) {
        column->addWidget(m_settings.caption(number));
        column->addWidget(m_settings.control(number));
    };
    auto *column = new QVBoxLayout(this);
    column->addWidget(heading("Label_voiceSetup", "Voice setup :", this));
    add(column, 46);
    add(column, 47);
    column->addWidget(
        plainLabel("Label_autoPickupNote", "(0 - Do not Auto Pickup Voice Call )", this));
    add(column, 48);
    column->addWidget(
        plainLabel("Label_aux1Note", "(Needs to be selected to receive Voice Call)", this));
    column->addSpacing(8);
    column->addWidget(heading("Label_adcSetup", "ADC setup :", this));
    add(column, 49);
    add(column, 50);
    column->addWidget(plainLabel("Label_adcDelayNote", "(0 = disabled )", this));
    add(column, 51);
    column->addSpacing(8);
    column->addWidget(returnButton);

    // Kept off the screen, as below its visible area.
    QLabel *dialCaption =
        plainLabel("Label_dialNumber", "Number to Dial when Auxiliary Input 1 activated :", this);
    m_dialNumber->setObjectName(QStringLiteral("Text1"));
    dialCaption->setBuddy(m_dialNumber);
    dialCaption->hide();
    m_dialNumber->hide();

    m_settings.bind(&m_ownModel);
}
