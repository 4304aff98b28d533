#pragma once

// Helpers shared by the tests.
#include <QString>

namespace TestSupport {
// A fresh temporary directory path for one test; removed by the caller's QTemporaryDir.
QString dataPath(const QString &name);
} // namespace TestSupport
