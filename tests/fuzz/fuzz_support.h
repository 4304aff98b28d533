#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// Shared by the fuzz targets.
namespace FuzzSupport {

// One application object for the whole run, for code that needs an event loop or timers.
void ensureApplication();

// A folder of this process's own, removed at exit.
QString scratchFolder();

// Writes content to name inside the scratch folder (replacing it) and returns its path.
QString writeScratchFile(const QString &name, const QByteArray &content);

// Stops the run with a crash report when a property that must hold does not.
void require(bool holds, const char *what);

} // namespace FuzzSupport

// Opens the body of a fuzz target, which gets the fuzzer's input as `const QByteArray &input`
// (copied: Qt must not keep a pointer into libFuzzer's buffer).
#define VORT_FUZZ_TARGET                                                                           \
    static void fuzzOne(const QByteArray &input);                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)                        \
    {                                                                                              \
        fuzzOne(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));                \
        return 0;                                                                                  \
    }                                                                                              \
    static void fuzzOne(const QByteArray &input)
