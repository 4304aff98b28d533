#pragma once

#include <QLineEdit>

// A path box: while it has no focus, a path too long for it is shown elided in the middle
// ("/srv/vo…/V610"), so both its start and its end stay in view. The text itself is the whole
// path, and so is the tooltip. Focused, it shows and edits the whole path as any line edit.
class ElidedPathEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit ElidedPathEdit(QWidget *parent = nullptr);

    // What the box shows while it has no focus.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
};
