#include "data/DbScope.h"

#include "data/DataGlobals.h"
#include "data/Recordset.h"
#include "data/cDBAccess.h"

DbScope::DbScope()
{
    gDB = std::make_unique<cDBAccess>();
    m_open = gDB->Open_Connection(gDbProvider, QString(), gDbName, gDSN);
}

DbScope::~DbScope()
{
    gRs.reset();
    gDB.reset();
}

cDBAccess &DbScope::db() const
{
    return *gDB;
}
