// The CSV line of a position record, on any run of records: each input byte gives the length
// of the next record (0 to 63), the bytes after it its characters as they arrived.
#include "common/quoted_fields.h"
#include "config_tool/link/position_log.h"
#include "fuzz_support.h"

VORT_FUZZ_TARGET
{
    PositionLog::LineWriter writer;
    qsizetype at = 0;
    while (at < input.size()) {
        const int length = static_cast<unsigned char>(input.at(at++)) % 64;
        const QByteArray record = input.mid(at, length);
        at += record.size();
        const QByteArray line = writer.line(record);

        // One line of the file per record, whatever the record holds.
        FuzzSupport::require(line.endsWith("\r\n"), "the line ends with CR LF");
        FuzzSupport::require(line.count('\r') == 1 && line.count('\n') == 1,
                             "no line end inside the line");
        // Read back: eight fields, each quoted or else empty (nothing between its commas), the
        // hemisphere letters known or empty.
        QuotedFieldReader reader(line);
        QList<QuotedField> fields;
        for (QuotedField field; reader.next(field);)
            fields.append(field);
        FuzzSupport::require(fields.size() == 8, "eight fields");
        for (const QuotedField &f : fields)
            FuzzSupport::require(f.quoted || f.text.isEmpty(), "every field quoted or empty");
        FuzzSupport::require(QStringList({"", "N", "S"}).contains(fields.at(3).text),
                             "latitude letter N, S or none");
        FuzzSupport::require(QStringList({"", "E", "W"}).contains(fields.at(5).text),
                             "longitude letter E, W or none");
        if (record.size() == PositionLog::recordLength)
            FuzzSupport::require(fields.at(0).text.size() == 8 && fields.at(1).text.size() == 8,
                                 "a whole record gives a whole date and time");
    }
}
