#include "recording_fakes.h"

#include <QtTest>

char *toString(const ShownMessage &message)
{
    const QString text = QStringLiteral("\"%1\" / \"%2\" / icon %3")
                             .arg(message.prompt, message.title)
                             .arg(static_cast<int>(message.icon));
    return QTest::toString(text);
}
