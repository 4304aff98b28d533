#include "elided_path_edit.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
// The room QLineEdit leaves on each side of its text.
constexpr int textMargin = 2;
} // namespace

ElidedPathEdit::ElidedPathEdit(QWidget *parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &QWidget::setToolTip);
}

QRect ElidedPathEdit::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, this)
        .adjusted(textMargin, 0, -textMargin, 0);
}

QString ElidedPathEdit::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, textArea().width());
}

void ElidedPathEdit::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (hasFocus() || shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea(), int(Qt::AlignLeft | Qt::AlignVCenter), shown);
}
