// The configuration file reader, on any content: it applies what it can and stops at the first
// value it cannot apply; a file it wrote itself always reads back to the same record.
#include "config_tool/configuration/configuration_file.h"
#include "fuzz_support.h"

#include <algorithm>

VORT_FUZZ_TARGET
{
    ConfigurationRecord record;
    readConfigurationContent(input, record);
    // Whatever was read (values a failed read left are values too), saved and read again, is
    // the same record, unless a text holds what the format cannot carry.
    if (firstSettingWithDoubleQuote(record))
        return;
    ConfigurationRecord again;
    const QByteArray written = configurationFileContent(record);
    const bool reread = readConfigurationContent(written, again);
    const bool plain = std::none_of(written.begin(), written.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n';
    });
    if (plain && written.count('\n') == 51 && written.count('\r') == 51) {
        FuzzSupport::require(reread, "a written configuration reads back");
        FuzzSupport::require(again == record, "a written configuration reads back unchanged");
    }
}
