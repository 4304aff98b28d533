#pragma once

#include <QString>

#include <optional>

// A settings text such as "9600,N,8,1": speed in bit/s, parity letter, data bits, stop bits.
// The one place where such a text is read.
struct LineSettings
{
    int baudRate = 9600;
    char parity = 'N'; // N, E, O, M or S
    int dataBits = 8;  // 5 to 8
    int stopBits = 1;  // 1 or 2; 15 stands for 1.5

    // Nothing when the text is not of that form.
    static std::optional<LineSettings> parse(const QString &text);

    bool operator==(const LineSettings &) const = default;
};
