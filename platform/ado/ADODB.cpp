#include "ado/ADODB.h"

#include <cstdio>
#include <exception>

#include "ado/ConnectionString.h"
#include "com/ComObj.h"
#include "jet/Database.h"

namespace ado {
namespace {

constexpr std::uint32_t kProviderNotFound = 0x800A0E7AU;
constexpr std::uint32_t kProviderError = 0x80004005U;  // E_FAIL, as Jet reports most errors
constexpr std::uint32_t kNotOpen = 0x800A0E78U;

void RequireApartment() {
  if (com::ApartmentDepth() == 0) throw EOleSysError("CoInitialize has not been called");
}

[[noreturn]] void RaiseProvider(const std::string& description, std::uint32_t code) {
  throw EOleException(OleErrorText(description, code));
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Runs an engine call, turning its errors into provider errors.
template <typename Call>
auto ThroughProvider(Call call) -> decltype(call()) {
  try {
    return call();
  } catch (const EOleException&) {
    throw;
  } catch (const std::exception& error) {
    RaiseProvider(error.what(), kProviderError);
  }
}

}  // namespace

std::string OleErrorText(const std::string& description, std::uint32_t code) {
  std::string text = description;
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
    text.pop_back();
  }
  if (!text.empty()) return text;
  char fallback[32];
  std::snprintf(fallback, sizeof fallback, "OLE error %.8X", code);
  return fallback;
}

TADOConnection::TADOConnection() { RequireApartment(); }

TADOConnection::~TADOConnection() = default;

void TADOConnection::Open(const std::string& /*userId*/, const std::string& /*password*/) {
  const auto parsed = ThroughProvider([&] { return ado::ConnectionString::Parse(ConnectionString); });
  const std::string provider = parsed.Get("Provider").value_or("");
  if (!SameText(provider, kJetProvider)) {
    RaiseProvider("Provider cannot be found. It may not be properly installed.", kProviderNotFound);
  }
  const std::string path = parsed.Get("Data Source").value_or("");
  jet::OpenOptions options;
  options.password = parsed.Get("Jet OLEDB:Database Password").value_or("");
  database_ = ThroughProvider([&] { return jet::Database::Open(path, options); });
}

std::int64_t TADOConnection::Execute(const std::string& commandText) {
  if (!database_) {
    RaiseProvider("Operation is not allowed when the object is closed.", kNotOpen);
  }
  return ThroughProvider([&] { return database_->Execute(commandText); });
}

TADOQuery::TADOQuery() { RequireApartment(); }

std::int64_t TADOQuery::ExecSQL() {
  if (!connection_) RaiseProvider("Missing Connection or ConnectionString.", kProviderError);
  return connection_->Execute(SQL);
}

}  // namespace ado
