#pragma once

#include <QtGlobal>

class cDBAccess;

// The program's database for the length of a block: makes gDB and opens the database every screen
// opens (gDbProvider, gDbName, gDSN); gRs and gDB are reset when the block ends, so no function
// leaves them set behind it. One scope at a time: gDB and gConnection are the program's single
// connection, and an inner scope would close the outer one's.
class DbScope final {
public:
    DbScope();
    ~DbScope();
    Q_DISABLE_COPY_MOVE(DbScope)

    // False when the connection failed; the failure has been reported and the program is ending.
    bool isOpen() const { return m_open; }
    cDBAccess &db() const;
    cDBAccess *operator->() const { return &db(); }

private:
    bool m_open = false;
};
