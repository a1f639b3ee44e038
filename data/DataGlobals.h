#pragma once

#include <memory>

#include <QString>

class Connection;
class Recordset;
class cDBAccess;

// The program-wide variables of database types. Screens create and reset gDB/gRs around each
// use; gConnection is the shared connection a description's first open leaves behind.
extern QString gSQL;
extern std::shared_ptr<Connection> gConnection;
extern std::shared_ptr<Recordset> gRs;
extern std::unique_ptr<cDBAccess> gDB;
