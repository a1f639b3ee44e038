#pragma once

#include <memory>

#include <QString>

class Connection;
class Recordset;
class cDBAccess;

// The program-wide variables of database types. Screens create and reset gDB/gRs around each
// use (DbScope); gConnection mirrors the newest access object's connection and is never read back.
extern QString gSQL;
extern std::shared_ptr<Connection> gConnection;
extern std::shared_ptr<Recordset> gRs;
extern std::unique_ptr<cDBAccess> gDB;

// The database every screen opens, chosen once at start-up: provider 1 (Exam.mdb in gDbPath) or,
// in classroom mode, provider 3 with an ODBC data source and the server's database name.
extern int gDbProvider;
extern QString gDSN;
extern QString gDbName;
// Whether the exams live on a class's server.
bool ClassroomMode();
