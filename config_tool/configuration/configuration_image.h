#pragma once

#include "configuration_check.h"
#include "configuration_record.h"

#include <QByteArray>

#include <optional>
#include <span>

// The unit's 256-byte configuration image made from a configuration record, and the record
// read back from an image the unit sent.

// The 31 silent checks run before every download, in order. They reuse the configuration
// check's rules; only the destination port's has no lower bound here.
std::span<const SettingRule> downloadCheckRules();

// True when every download check passes (a number that does not fit a double fails).
bool passesDownloadChecks(const ConfigurationRecord &record);

// Runs the download checks, then encodes every field into a 0xFF-filled image. nullopt on a
// failed check or conversion (a number not rounding to 0 to 255, a list without a selection,
// an address with fewer than three "."): the screen shows "Invalid Configuration" / "Error",
// critical icon, and sends nothing.
std::optional<QByteArray> encodeConfigurationImage(const ConfigurationRecord &record);

// Writes every setting the image carries into the record: all but versionNumber,
// existingPassword and newPassword. Numbers come back as text in the unit's styles (a blank
// before most numbers), coordinates with four decimals ("0.0000" for an empty entry). A list
// byte that is no index of its list leaves that setting as it was. Position 255 is never
// received from the unit, so it counts as 0xFF whatever the image holds there: a 32-character
// APN comes back as its first 31 characters. image needs 255 bytes at least; missing bytes
// count as 0xFF.
void decodeConfigurationImage(const QByteArray &image, ConfigurationRecord &record);
