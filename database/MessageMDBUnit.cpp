#include "MessageMDBUnit.h"

#include <exception>

#include "com/ComObj.h"
#include "vcl/Application.h"

TMessageMDB* MessageMDB = nullptr;

TMessageMDB::TMessageMDB()
    : Connection(std::make_unique<ado::TADOConnection>()),
      Query(std::make_unique<ado::TADOQuery>()) {
  Query->SetConnection(Connection.get());
}

bool TMessageMDB::ClearRoomTable() {
  try {
    Query->Close();
    Query->SQL = "DELETE * FROM T_Room";
    Connection->Execute(Query->SQL);
    return true;
  } catch (const std::exception& error) {
    vcl::ShowMessage(error.what());
    return false;
  }
}

namespace MessageMDBUnit {

std::string ConnectionStringFor(const std::string& databasePath) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + databasePath +
         " ;Persist Security Info=False;Jet OLEDB:Database Password=";
}

void Initialization(const std::string& applicationDirectory) {
  com::CoInitializeEx(nullptr, com::COINIT_APARTMENTTHREADED);
  MessageMDB = new TMessageMDB();
  MessageMDB->DatabasePath = applicationDirectory + kFileName;
  MessageMDB->Connection->ConnectionString = ConnectionStringFor(MessageMDB->DatabasePath);
  MessageMDB->Connection->Open("", "");
}

void Finalization() {
  delete MessageMDB;
  MessageMDB = nullptr;
  com::CoUninitialize();
}

}  // namespace MessageMDBUnit
