#include "jet/Error.h"

namespace jet {

Error Damaged(const std::string& reason) {
  return Error(Error::Code::kDamaged, "the file is damaged (" + reason + ")");
}

}  // namespace jet
