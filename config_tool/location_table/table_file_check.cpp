#include "table_file_check.h"

#include "cell_editor_rule.h"

#include <QRegularExpression>

namespace TableFileCheck {

namespace {
std::optional<Fault::Reason> faultOf(const QString &text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!plainNumber.match(text).hasMatch())
        return Fault::Reason::NotANumber;
    if (CellEditorRule::apply(text).accepted)
        return std::nullopt;
    const qsizetype point = text.indexOf(u'.');
    return point >= 0 && text.size() - point - 1 > 4 ? Fault::Reason::TooManyDecimals
                                                     : Fault::Reason::TooLarge;
}

// A plain number that passed the test above is negative when it starts with "-" and is not 0.
bool negative(const QString &text)
{
    return text.startsWith(u'-') && text.toDouble() < 0;
}
} // namespace

std::optional<Fault> firstFault(const QList<LocationTableFile::Coordinates> &rows)
{
    for (qsizetype row = 0; row < rows.size(); ++row) {
        const QString cells[2] = {rows[row].latitude, rows[row].longitude};
        for (int column = 1; column <= 2; ++column) {
            if (const auto reason = faultOf(cells[column - 1]))
                return Fault{static_cast<int>(row), column, cells[column - 1], *reason};
        }
    }
    return std::nullopt;
}

std::optional<Fault> firstUnsendable(const QStringList &cells)
{
    for (qsizetype index = 0; index + 2 < cells.size(); index += 3) {
        const int row = static_cast<int>(index / 3);
        for (int column = 1; column <= 2; ++column) {
            const QString &text = cells[index + column];
            if (const auto reason = faultOf(text))
                return Fault{row, column, text, *reason};
            if (negative(text))
                return Fault{row, column, text, Fault::Reason::Negative};
        }
    }
    return std::nullopt;
}

QString described(const Fault &fault)
{
    QString why;
    switch (fault.reason) {
    case Fault::Reason::NotANumber:
        why = QStringLiteral("is not a number");
        break;
    case Fault::Reason::TooManyDecimals:
        why = QStringLiteral("has more than four decimals");
        break;
    case Fault::Reason::TooLarge:
        why = QStringLiteral("is not below 256");
        break;
    case Fault::Reason::Negative:
        why = QStringLiteral("is negative (the unit takes 0 to 255.9999)");
        break;
    }
    return QStringLiteral("row %1, %2 \"%3\" %4")
        .arg(fault.row)
        .arg(fault.column == 1 ? QStringLiteral("latitude") : QStringLiteral("longitude"),
             fault.text, why);
}

QString refusal(const QString &fileName, const Fault &fault)
{
    return QStringLiteral("Error loading file: %1, %2").arg(fileName, described(fault));
}

} // namespace TableFileCheck
