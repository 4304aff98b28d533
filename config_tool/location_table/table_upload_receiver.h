#pragma once

#include <QString>

#include <optional>

// Builds the grid from the unit's table stream: 600 bytes as 1,200 hex characters, for each row
// the latitude triple then the longitude triple. Every byte shows in its cell as it arrives, so
// a cell may hold a partial text with blanks until its third byte is in.
class TableUploadReceiver
{
public:
    static constexpr int characterCount = 1200;

    struct CellUpdate
    {
        int index; // running index, row * 3 + column
        QString text;
    };

    // Takes the next hex character of the stream. Returns the cell text it changes, if any.
    std::optional<CellUpdate> receive(char hexCharacter);
    // True once the last character has been taken: it is not answered.
    bool finished() const { return m_cell >= 300; }

private:
    int m_cell = 1;
    bool m_highNibble = true;
    int m_byte = 0;
    int m_byteCount = 0;
    int m_coordinateCount = 0;
    QString m_text;
};
