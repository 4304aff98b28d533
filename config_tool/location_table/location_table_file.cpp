#include "location_table_file.h"

#include "common/quoted_fields.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace LocationTableFile {

QByteArray write(const QStringList &cells)
{
    QByteArray content;
    for (int row = 0; row < rowCount; ++row) {
        QList<QByteArray> fields;
        for (int column = 0; column < 3; ++column)
            fields.append(QuotedFields::quoted(cells.value(row * 3 + column)));
        content += QuotedFields::line(fields);
    }
    return content;
}

QString cellTextOf(const QuotedField &field)
{
    if (field.quoted)
        return field.text;
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(field.text).hasMatch())
        return field.text;
    bool ok = false;
    const double value = QLocale::c().toDouble(field.text, &ok);
    if (!ok || !std::isfinite(value))
        return field.text;
    // Always "." and never an exponent, so the text reads back the same anywhere.
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    return text == u"-0" ? QStringLiteral("0") : text;
}

ReadResult read(const QByteArray &content)
{
    ReadResult result;
    QuotedFieldReader reader(content);
    for (int row = 0; row < rowCount; ++row) {
        QuotedField id, latitude, longitude;
        if (!reader.next(id) || !reader.next(latitude) || !reader.next(longitude))
            break;
        result.rows.append({cellTextOf(latitude), cellTextOf(longitude)});
    }
    return result;
}

} // namespace LocationTableFile
