#include "data/DataGlobals.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

// Order matters: gDB releases gConnection when destroyed, so it is defined last.
QString gSQL;
std::shared_ptr<Connection> gConnection;
std::shared_ptr<Recordset> gRs;
std::unique_ptr<cDBAccess> gDB;
int gDbProvider = 1;
QString gDSN;
QString gDbName;

bool ClassroomMode()
{
    return gDbProvider == 3 || gDbProvider == 4;
}
