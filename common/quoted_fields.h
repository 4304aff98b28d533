#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The quoted text files of the tool set (configuration file, GPS location table file, position
// log): single-byte text, CR LF line ends, texts written between double quotes without escaping,
// numbers bare, fields separated by commas.

// Text <-> bytes of the files and of the unit's images: one byte per character (Latin-1).
// Characters outside the 8-bit set become "?".
QByteArray toSingleByte(const QString &text);
QString fromSingleByte(const QByteArray &bytes);

struct QuotedField
{
    QString text;
    bool quoted = false;
};

// Reads fields one after another. Leading blanks are skipped; a field that starts with a double
// quote runs to the next double quote (commas inside are text) and then to the next comma or line
// end; any other field runs to the next comma or line end. A line end (CR LF, LF or CR) ends a
// field, so a file written one value per line gives one value per line, and a record may span
// lines or share one.
class QuotedFieldReader
{
public:
    explicit QuotedFieldReader(const QByteArray &content);

    // The next field; false when the content has no more fields.
    bool next(QuotedField &field);
    bool atEnd() const;
    // Offset in the content where the next read starts (to name a field's line in a message).
    qsizetype position() const { return m_pos; }

private:
    QByteArray m_content;
    qsizetype m_pos = 0;
};

namespace QuotedFields {
// The text between double quotes: "text".
QByteArray quoted(const QString &text);
// Fields (already quoted or bare) joined by commas, ended by CR LF.
QByteArray line(const QList<QByteArray> &fields);
} // namespace QuotedFields
