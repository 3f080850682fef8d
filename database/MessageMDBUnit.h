#pragma once

// The program's one connection to Client.mdb and the one statement it runs:
// emptying the room table.

#include <memory>
#include <string>

#include "ado/ADODB.h"

class TMessageMDB {
 public:
  // Creates the connection and the query bound to it; nothing is opened.
  TMessageMDB();

  // Deletes every row of T_Room. Any error is shown in the plain message dialog
  // and gives false; none reaches the caller.
  bool ClearRoomTable();

  std::unique_ptr<ado::TADOConnection> Connection;
  std::unique_ptr<ado::TADOQuery> Query;
  std::string DatabasePath;
};

// The one connection, created and opened at start-up.
extern TMessageMDB* MessageMDB;

namespace MessageMDBUnit {

inline constexpr const char* kFileName = "Client.mdb";

// The fixed connection string around `databasePath`: an empty database password.
std::string ConnectionStringFor(const std::string& databasePath);

// Start-up step: enters COM, creates MessageMDB, opens Client.mdb in
// `applicationDirectory`. Nothing here is guarded: a failure ends start-up.
void Initialization(const std::string& applicationDirectory);

// Shutdown step: releases MessageMDB, if any, and leaves COM.
void Finalization();

}  // namespace MessageMDBUnit
