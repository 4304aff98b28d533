#include "test_support.h"

namespace TestSupport {
QString dataPath(const QString &name)
{
    return QStringLiteral(TEST_DATA_DIR "/") + name;
}
} // namespace TestSupport
