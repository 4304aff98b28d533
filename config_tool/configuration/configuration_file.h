#pragma once

#include "configuration_record.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The configuration file: 51 lines, one setting per line in setting order, texts between double
// quotes, list indexes bare, CR LF line ends, one byte per character (Latin-1).

namespace ConfigurationFileTexts {
inline const QString savedTitle = QStringLiteral("Saved"); // information icon
inline const QString saved = QStringLiteral("Configuration has been Saved");
inline const QString errorTitle = QStringLiteral("Error"); // critical icon
inline const QString invalidPath = QStringLiteral("Invalid Path");
inline const QString loadFailed = QStringLiteral("Error loading file");
} // namespace ConfigurationFileTexts

// The whole file as it is written.
QByteArray configurationFileContent(const ConfigurationRecord &record);

// The number (1 to 51) of the first text setting holding a double quote, which the file cannot
// carry back; nullopt when there is none.
std::optional<int> firstSettingWithDoubleQuote(const ConfigurationRecord &record);

// Saves the record at path. nullopt when saved (the screen then shows "Configuration has been
// Saved" / "Saved", information icon); otherwise the prompt of the critical "Error" box:
// "Invalid Path" when the file cannot be written, or a text naming the setting that holds a
// double quote. The file is written whole or not at all: a failed save leaves an existing file
// as it was.
std::optional<QString> saveConfigurationFile(const QString &path,
                                             const ConfigurationRecord &record);

// Applies the file's values to the record one by one, in line order. False at the first value
// that cannot be applied (fewer than 51 values, a list value that is no whole number or no
// index of its list -1 to n-1, a binary content): the settings before it keep their new
// values, the later ones their old values.
bool readConfigurationContent(const QByteArray &content, ConfigurationRecord &record);

// Loads the file at path into the record, as readConfigurationContent. False also for an empty
// path, a missing, unreadable or oversized file (the record is then untouched). On false the
// record may be half written: ConfigurationModel::load reads into a copy and keeps it only when
// the whole file was read ("Error loading file" / "Error", critical icon, otherwise).
bool loadConfigurationFile(const QString &path, ConfigurationRecord &record);
