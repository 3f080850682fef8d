#pragma once

// The data-access components: a connection that opens an Access file through
// the Jet engine and stays open, and a query bound to it that runs statements.

#include <cstdint>
#include <memory>
#include <string>

#include "rtl/SysUtils.h"

namespace jet {
class Database;
}

namespace ado {

// An error the provider reported. Its text is the provider's description with
// trailing blanks, control characters and full stops removed.
class EOleException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// A failure of COM itself, such as creating a component outside an apartment.
class EOleSysError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// The text shown for a provider error: the description, cleaned of its trailing
// blanks, control characters and full stops; where that leaves nothing, the
// system's message for `code`; where that is empty too, "OLE error XXXXXXXX".
std::string OleErrorText(const std::string& description, std::uint32_t code);

inline constexpr const char* kJetProvider = "Microsoft.Jet.OLEDB.4.0";

class TADOConnection {
 public:
  // Raises EOleSysError outside a COM apartment, as creating the ADO object does.
  TADOConnection();
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  std::string ConnectionString;
  bool LoginPrompt = true;

  // Opens the database the connection string names, synchronously.
  void Open(const std::string& userId, const std::string& password);
  bool Connected() const { return database_ != nullptr; }

  // Runs `commandText` as a text command; returns the number of rows affected.
  std::int64_t Execute(const std::string& commandText);

 private:
  std::unique_ptr<jet::Database> database_;
};

class TADOQuery {
 public:
  TADOQuery();

  void SetConnection(TADOConnection* connection) { connection_ = connection; }
  TADOConnection* Connection() const { return connection_; }

  // A query that only executes statements holds no result set to close.
  void Close() {}

  std::string SQL;

  // Executes SQL on the connection; returns the number of rows affected.
  std::int64_t ExecSQL();

 private:
  TADOConnection* connection_ = nullptr;
};

}  // namespace ado
