#pragma once

#include "config_tool/configuration/configuration_record.h"

namespace TestSupport {
// A record that passes the configuration check and the download checks, with every list away
// from index 0 where it can be, so a mixed-up position shows.
ConfigurationRecord validConfiguration();
} // namespace TestSupport
