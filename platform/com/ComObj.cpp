#include "com/ComObj.h"

namespace com {
namespace {

thread_local int depth = 0;
thread_local std::uint32_t model = COINIT_APARTMENTTHREADED;

}  // namespace

HRESULT CoInitializeEx(void* /*reserved*/, std::uint32_t coInit) {
  const std::uint32_t wanted = coInit & COINIT_APARTMENTTHREADED;
  if (depth > 0 && wanted != model) return RPC_E_CHANGED_MODE;
  model = wanted;
  return depth++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (depth > 0) --depth;
}

int ApartmentDepth() { return depth; }

}  // namespace com
