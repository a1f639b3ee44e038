#pragma once

#include <mutex>

#include <QLibrary>

// A shared library reached only through the functions resolved from it, loaded at the first call
// rather than before main(). The database engines (SQLCipher with OpenSSL, the ODBC driver manager)
// cost start-up several milliseconds, and the first screen needs neither.
// Create each one on the heap and never delete it: handles held by statics are closed after main()
// returns, and a function first called then must still find its library.
class LazyLibrary final {
public:
    // `name` without "lib" or suffix; `version` the major version of the soname.
    LazyLibrary(const char *name, int version);

    // The function of that name. A library or function that cannot be had ends the program with a
    // message naming it: the program cannot go on without its database engine, just as it could not
    // start without it when it was linked.
    template <typename Function> Function resolve(const char *symbol)
    {
        return reinterpret_cast<Function>(address(symbol));
    }

private:
    QFunctionPointer address(const char *symbol);

    std::mutex m_mutex;
    QLibrary m_library;
};
