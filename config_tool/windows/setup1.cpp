#include "setup1.h"

#include "common/help_viewer.h"
#include "configuration/configuration_check.h"
#include "configuration/configuration_file.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QPushButton *button(const char *name, const char *caption, QWidget *parent)
{
    auto *b = new QPushButton(QString::fromLatin1(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *plainLabel(const char *name, const char *text, QWidget *parent)
{
    auto *label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
} // namespace

Setup1::Setup1(HelpViewer *help, QWidget *parent)
    : QDialog(parent), m_settings(SettingDescriptor::Screen::Setup1, this),
      m_fileChoice(new FileChoice(this)), m_help(help),
      m_load(button("Command1", "Load Configuration", this)),
      m_save(button("Command4", "Save Configuration", this)),
      m_check(button("Command5", "Click here to Check if configuration is valid", this)),
      m_helpButton(button("Command3", "HELP", this)),
      m_return(button("Command2", "RETURN MAIN MENU", this))
{
    setObjectName(QStringLiteral("setup1"));
    setWindowTitle(QStringLiteral("Current Configuration"));
    buildLayout();

    connect(m_load, &QPushButton::clicked, this, &Setup1::loadConfiguration);
    connect(m_save, &QPushButton::clicked, this, &Setup1::saveConfiguration);
    connect(m_check, &QPushButton::clicked, this, &Setup1::checkConfiguration);
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        if (m_help)
            m_help->open(QStringLiteral("info.txt"));
    });
    // Only hides the screen: it and its values stay for the next visit.
    connect(m_return, &QPushButton::clicked, this, &QDialog::accept);

    m_settings.bind(&m_ownModel);
}

void Setup1::setModel(ConfigurationModel *model)
{
    m_settings.bind(model);
}

void Setup1::buildLayout()
{
    // Compact fields: the screen shows three columns of caption and field side by side.
    for (const SettingDescriptor &d : settingDescriptors()) {
        if (QWidget *field = m_settings.control(d.number);
            field && d.screen == SettingDescriptor::Screen::Setup1)
            field->setMaximumWidth(d.number >= 27 && d.number <= 34 ? 80 : 170);
    }
    const auto addRow = [this](QGridLayout *grid, int number) {
        const int row = grid->rowCount();
        grid->addWidget(m_settings.caption(number), row, 0);
        grid->addWidget(m_settings.control(number), row, 1);
    };

    auto *left = new QGridLayout;
    for (int number : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 45, 12, 13, 14, 40, 15, 16})
        addRow(left, number);
    left->setRowStretch(left->rowCount(), 1);

    auto *middle = new QGridLayout;
    for (int number : {43, 17, 44, 18, 19, 20, 39, 21, 22, 23, 24, 25, 26})
        addRow(middle, number);
    auto *area = new QGroupBox(QStringLiteral("GEO Fecing Area setup  :"), this);
    area->setObjectName(QStringLiteral("Frame1"));
    auto *areaGrid = new QGridLayout(area);
    const int corners[2][4] = {{27, 28, 29, 30}, {31, 32, 33, 34}};
    for (int row = 0; row < 2; ++row) {
        const int *c = corners[row];
        areaGrid->addWidget(m_settings.caption(c[0]), row, 0);
        areaGrid->addWidget(m_settings.control(c[0]), row, 1);
        areaGrid->addWidget(m_settings.control(c[1]), row, 2);
        areaGrid->addWidget(m_settings.caption(c[2]), row, 3);
        areaGrid->addWidget(m_settings.control(c[2]), row, 4);
        areaGrid->addWidget(m_settings.control(c[3]), row, 5);
    }
    // The hemisphere lists have no caption and the second corner's boxes share the caption
    // "2": their names say which value they hold (for the lists, see the captions below).
    const struct
    {
        int number;
        const char *name;
    } areaNames[] = {{28, "LAT1 N/S"},  {29, "LAT2"},  {30, "LAT2 N/S"},
                     {32, "LONG1 E/W"}, {33, "LONG2"}, {34, "LONG2 E/W"}};
    for (const auto &named : areaNames)
        m_settings.control(named.number)->setAccessibleName(QString::fromLatin1(named.name));
    middle->addWidget(area, middle->rowCount(), 0, 1, 2);
    middle->setRowStretch(middle->rowCount(), 1);

    auto *right = new QGridLayout;
    addRow(right, 41);
    addRow(right, 42);
    right->addWidget(plainLabel("Label_speedLimitTimeUnit", "(0-255 sec)", this),
                     right->rowCount() - 1, 2);
    addRow(right, 35);
    addRow(right, 36);
    auto *passwords = new QGridLayout;
    passwords->addWidget(m_settings.caption(37), 0, 0);
    passwords->addWidget(m_settings.caption(38), 0, 1);
    passwords->addWidget(m_settings.control(37), 1, 0);
    passwords->addWidget(m_settings.control(38), 1, 1);
    right->addLayout(passwords, right->rowCount(), 0, 1, 3);
    addRow(right, 1);

    auto *files = new QGridLayout;
    files->addWidget(m_fileChoice->driveList(), 0, 0);
    files->addWidget(m_fileChoice->directoryList(), 1, 0);
    files->addWidget(m_fileChoice->fileList(), 0, 1, 2, 1);
    right->addLayout(files, right->rowCount(), 0, 1, 3);
    right->setRowStretch(right->rowCount(), 1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addSpacing(12);
    columns->addLayout(middle);
    columns->addSpacing(12);
    columns->addLayout(right);

    auto *bottom = new QHBoxLayout;
    QLabel *fileCaption = plainLabel("Label_fileSelected", "File Selected :", this);
    fileCaption->setBuddy(m_fileChoice->pathText());
    bottom->addWidget(fileCaption);
    bottom->addWidget(m_fileChoice->pathText(), 1);

    // The form scrolls inside the window, so a small or scaled screen (a 1366 x 768 laptop at
    // 125 %) still reaches every control; it opens as large as the form, up to the screen. The
    // buttons stay below it, in view whatever part of the form is shown.
    auto *form = new QWidget(this);
    auto *formLayout = new QVBoxLayout(form);
    formLayout->addLayout(columns);
    formLayout->addLayout(bottom);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("formArea"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(form);
    m_buttonBar = new QWidget(this);
    m_buttonBar->setObjectName(QStringLiteral("buttonBar"));
    auto *buttons = new QHBoxLayout(m_buttonBar);
    buttons->addWidget(m_check);
    buttons->addStretch(1);
    for (QPushButton *button : {m_helpButton, m_save, m_load})
        buttons->addWidget(button);
    buttons->addSpacing(12);
    buttons->addWidget(m_return);
    auto *screen = new QVBoxLayout(this);
    screen->setContentsMargins(0, 0, 0, 0);
    screen->setSpacing(0);
    screen->addWidget(m_scroll, 1);
    screen->addWidget(m_buttonBar);

    // On Linux a screen reader hears a drop-down list named by its current item ("N") and learns
    // what it is from the labels it is labelled by: its buddy captions, beside the group's
    // title. The lists without a caption of their own get one that is not drawn, placed beside
    // them once the layouts have put them in their parents.
    const std::pair<QWidget *, QString> uncaptioned[] = {
        {m_settings.control(28), QStringLiteral("LAT1 N/S")},
        {m_settings.control(30), QStringLiteral("LAT2 N/S")},
        {m_settings.control(32), QStringLiteral("LONG1 E/W")},
        {m_settings.control(34), QStringLiteral("LONG2 E/W")},
        {m_fileChoice->driveList(), QStringLiteral("Drive")}};
    for (const auto &[list, name] : uncaptioned) {
        auto *caption = new QLabel(name, list->parentWidget());
        caption->setObjectName(list->objectName() + QStringLiteral("_caption"));
        caption->setBuddy(list);
        caption->hide();
    }
}

void Setup1::showEvent(QShowEvent *event)
{
    // Sized once, unless given a size before: later the user's size stands.
    if (!testAttribute(Qt::WA_Resized)) {
        // Room for the window frame and a panel beside the screen's own margins.
        const QSize frame = QSize(16, 80);
        QSize room = QSize(1366, 768);
        if (const QScreen *shownOn = screen())
            room = shownOn->availableGeometry().size() - frame;
        // The form above the buttons, as wide as the wider of the two.
        const QSize form = m_scroll->widget()->sizeHint();
        const QSize buttons = m_buttonBar->sizeHint();
        QSize size(qMax(form.width(), buttons.width()), form.height() + buttons.height());
        // A scroll bar in one direction takes room from the other.
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (size.height() > room.height())
            size.rwidth() += bar;
        if (size.width() > room.width())
            size.rheight() += bar;
        // The buttons are never cut off: the form gives way first.
        resize(size.boundedTo(room).expandedTo(QSize(buttons.width(), 0)));
    }
    QDialog::showEvent(event);
}

ConfigurationRecord Setup1::record() const
{
    ConfigurationRecord record;
    m_settings.copyTo(record);
    return record;
}

QString Setup1::existingPassword() const
{
    return m_settings.readText(37);
}

QString Setup1::selectedFile() const
{
    return m_fileChoice->pathText()->text();
}

ConfigurationRecord Setup1::configuration() const
{
    return model().record();
}

bool Setup1::setConfiguration(const ConfigurationRecord &record)
{
    return model().setRecord(record);
}

void Setup1::tell(const QString &prompt, const QString &title, MessageIcon icon)
{
    if (m_messages)
        m_messages->show(prompt, title, icon);
}

void Setup1::loadConfiguration()
{
    // A file that cannot be read whole changes nothing.
    if (const FileOutcome outcome = model().load(selectedFile()); outcome.message)
        tell(outcome.message->prompt, outcome.message->title, outcome.message->icon);
}

void Setup1::saveConfiguration()
{
    const FileOutcome outcome = model().save(selectedFile());
    m_fileChoice->refresh();
    if (outcome.message)
        tell(outcome.message->prompt, outcome.message->title, outcome.message->icon);
}

void Setup1::checkConfiguration()
{
    // One box per failed test, each closed by the user before the next.
    for (const UserMessage &message : checkMessages(::checkConfiguration(record())))
        tell(message.prompt, message.title, message.icon);
}
