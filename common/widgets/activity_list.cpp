#include "activity_list.h"

#include <QScrollBar>

namespace {
constexpr int scrollIntervalMs = 100;
}

ActivityList::ActivityList(int cap, QWidget *parent) : QListWidget(parent), m_cap(cap)
{
    // Every line is one text line: the list need not measure each line again after a change.
    setUniformItemSizes(true);
    // The caption above it ("Activity Log:") does not name a list for screen readers.
    setAccessibleName(QStringLiteral("Activity Log"));
    m_scrollTimer.setSingleShot(true);
    m_scrollTimer.setInterval(scrollIntervalMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, &ActivityList::flushScroll);
}

void ActivityList::addLine(const QString &line)
{
    if (!m_scrollTimer.isActive()) {
        const QScrollBar *bar = verticalScrollBar();
        m_follow = bar->value() == bar->maximum();
        m_scrollTimer.start();
    }
    addItem(line);
    while (count() > m_cap)
        delete takeItem(0);
}

void ActivityList::flushScroll()
{
    m_scrollTimer.stop();
    if (m_follow)
        scrollToBottom();
}
