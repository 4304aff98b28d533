#include "quoted_fields.h"

QByteArray toSingleByte(const QString &text)
{
    return text.toLatin1();
}

QString fromSingleByte(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

namespace {
bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

QuotedFieldReader::QuotedFieldReader(const QByteArray &content) : m_content(content) {}

bool QuotedFieldReader::atEnd() const
{
    // Blanks and line ends after the last field are not another field.
    for (qsizetype i = m_pos; i < m_content.size(); ++i) {
        const char c = m_content[i];
        if (!isBlank(c) && !isLineEnd(c))
            return false;
    }
    return true;
}

bool QuotedFieldReader::next(QuotedField &field)
{
    if (atEnd())
        return false;
    const qsizetype size = m_content.size();
    while (m_pos < size && isBlank(m_content[m_pos]))
        ++m_pos;

    QByteArray text;
    field.quoted = m_pos < size && m_content[m_pos] == '"';
    if (field.quoted) {
        const qsizetype close = m_content.indexOf('"', m_pos + 1);
        const qsizetype end = close < 0 ? size : close;
        text = m_content.mid(m_pos + 1, end - m_pos - 1);
        m_pos = close < 0 ? size : close + 1;
        // Whatever stands between the closing quote and the delimiter is not part of the field.
        while (m_pos < size && m_content[m_pos] != ',' && !isLineEnd(m_content[m_pos]))
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < size && m_content[m_pos] != ',' && !isLineEnd(m_content[m_pos]))
            ++m_pos;
        text = m_content.mid(start, m_pos - start);
        while (!text.isEmpty() && isBlank(text.back()))
            text.chop(1);
    }

    // Consume the delimiter: a comma, or one line end (CR LF counts as one).
    if (m_pos < size) {
        const char delimiter = m_content[m_pos];
        if (delimiter == ',' || delimiter == '\r' || delimiter == '\n')
            ++m_pos;
        if (delimiter == '\r' && m_pos < size && m_content[m_pos] == '\n')
            ++m_pos;
    }
    field.text = fromSingleByte(text);
    return true;
}

namespace QuotedFields {

QByteArray quoted(const QString &text)
{
    return '"' + toSingleByte(text) + '"';
}

QByteArray line(const QList<QByteArray> &fields)
{
    QByteArray result;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            result += ',';
        result += fields[i];
    }
    result += "\r\n";
    return result;
}

} // namespace QuotedFields
