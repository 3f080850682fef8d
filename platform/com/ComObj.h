#pragma once

// COM as far as the program needs it: entering and leaving an apartment on the
// main thread. The data-access objects refuse to be created outside one, as
// they do on Windows.

#include <cstdint>

namespace com {

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106U);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0U);
inline constexpr std::uint32_t COINIT_MULTITHREADED = 0x0;
inline constexpr std::uint32_t COINIT_APARTMENTTHREADED = 0x2;

// S_OK on the first entry, S_FALSE on a nested one, RPC_E_CHANGED_MODE when the
// thread is already in an apartment of the other kind.
HRESULT CoInitializeEx(void* reserved, std::uint32_t coInit);

// Leaves one level of the apartment entered by CoInitializeEx.
void CoUninitialize();

// How many entries the current thread has not yet left.
int ApartmentDepth();

}  // namespace com
