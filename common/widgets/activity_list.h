#pragma once

#include <QListWidget>
#include <QTimer>

// The activity list of a console (its List1): one line per event, the oldest lines dropped
// beyond a cap. It follows the newest line unless the operator has scrolled back to read; the
// scrolling is done at most a few times a second, because scrolling lays the list out again
// and a busy exchange adds a line for every packet.
class ActivityList : public QListWidget
{
    Q_OBJECT
public:
    explicit ActivityList(int cap, QWidget *parent = nullptr);

    void addLine(const QString &line);
    int cap() const { return m_cap; }

    // Scrolls to the newest line now if a scroll is pending (for tests and before a grab).
    void flushScroll();

private:
    int m_cap;
    bool m_follow = true;
    QTimer m_scrollTimer;
};
