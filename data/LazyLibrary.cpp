#include "data/LazyLibrary.h"

LazyLibrary::LazyLibrary(const char *name, int version)
    : m_library(QString::fromLatin1(name), version)
{
}

QFunctionPointer LazyLibrary::address(const char *symbol)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_library.isLoaded() && !m_library.load())
        qFatal("VESK cannot load %s: %s", qPrintable(m_library.fileName()), qPrintable(m_library.errorString()));
    const QFunctionPointer function = m_library.resolve(symbol);
    if (!function)
        qFatal("VESK cannot find %s in %s", symbol, qPrintable(m_library.fileName()));
    return function;
}
