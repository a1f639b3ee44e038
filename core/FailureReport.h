#pragma once

#include <functional>

#include <QString>

// How the data layer tells the person about a failure that ends the program. The program's shell
// installs the handler that shows the box; without one (the pool builder, a test of the data layer)
// the failure is written to standard error.
class FailureReport final {
public:
    enum class Kind {
        FileError, // the file could not be opened as a database
        DatabaseConnection, // no connection could be made at all
        Query, // a query failed where the program cannot go on
    };
    struct Failure {
        Kind kind;
        QString title;
        QString text;
        QString document; // a page that may help, opened beside the box; may be empty
    };
    using Handler = std::function<void(const Failure &)>;

    static void setHandler(Handler handler);
    static void report(const Failure &failure);

private:
    FailureReport() = delete;
};
