#pragma once

#include "common/user_message.h"
#include "configuration_record.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

// A range and length rule on one text setting. A text fails when any condition holds; the
// bounds themselves pass. Value is the lenient numeric value of the text, length its number of
// characters.
struct SettingRule
{
    QString ConfigurationRecord::*text = nullptr;
    std::optional<double> minValue;
    std::optional<double> maxValue;
    std::optional<int> minLength;
    std::optional<int> maxLength;
    bool needsPoint = false; // fails when the text holds no "."
};

enum class RuleOutcome { Pass, Fail, Overflow };

// Overflow: the rule needs the value and the text's number does not fit a double.
RuleOutcome evaluateRule(const SettingRule &rule, const ConfigurationRecord &record);

// One test of the configuration check: its rule and the message of a failure.
struct CheckTest
{
    SettingRule rule;
    const char *message;
};

// The 34 tests in the order they run.
std::span<const CheckTest> configurationCheckTests();

struct ConfigurationCheckResult
{
    // The messages of the failed tests, in order, one per failed test (a setting failing two
    // tests is named twice).
    QStringList failures;
    // A run-time failure (a number that does not fit a double) ended the check: the screen
    // shows the failures before it, then "Invalid Configuration", and no success message.
    bool endedByRunTimeFailure = false;
    // The number (1 to 34) of the test that ended the check; 0 when it ran to the end.
    int endingTest = 0;

    bool valid() const { return failures.isEmpty() && !endedByRunTimeFailure; }
};

ConfigurationCheckResult checkConfiguration(const ConfigurationRecord &record);

// The boxes a check ends with, in order: one "Error" box per failed test, then "Invalid
// Configuration" after a run-time failure, or "Configuration is OK" when all passed.
QList<UserMessage> checkMessages(const ConfigurationCheckResult &result);

namespace ConfigurationCheckTexts {
inline const QString errorTitle = QStringLiteral("Error");
inline const QString invalidConfiguration = QStringLiteral("Invalid Configuration");
inline const QString validTitle = QStringLiteral("Valid Configuration");
inline const QString valid = QStringLiteral("Configuration is OK");
} // namespace ConfigurationCheckTexts
